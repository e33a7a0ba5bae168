#!/usr/bin/env bash
# completion_test.sh MOVREL COMPLETION_DIR
# Asks the bash completion for the words a user would type, and checks that
# it offers every option that `movrel help COMMAND` documents.
set -u
movrel=$(realpath "$1")
. "$2/movrel.bash"
. "$2/movrelview.bash"
cd "$(mktemp -d)" && mkdir notes && touch notes.pdb words.txt
failures=0

# The completions of the command line "$@" (its last word being completed).
complete_words() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _movrel "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}

expect() {
  local want=$1
  shift
  local got
  got=$(complete_words "$@")
  if [ "$got" != "$want" ]; then
    echo "FAIL: '$*' completes to '$got', expected '$want'"
    failures=$((failures + 1))
  fi
}

expect "recover " movrel rec
expect "export " movrel help ex
expect "bitwarden-json json kdbx keepass-xml keepassxc-csv markdown text " movrel export --format ""
expect "notes.pdb " movrel export notes.p
expect "words.txt " movrel recover --wordlist wo
expect "" movrel recover --mask ""
mkdir -p state/movrel && touch state/movrel/weekly.session state/movrel/nightly.session
XDG_STATE_HOME=$PWD/state expect "nightly weekly " movrel recover --session ""
expect "notes " movrel export --split no

for command in list export recover; do
  offered=" $(complete_words movrel "$command" --) "
  for option in $("$movrel" help "$command" | grep -o -E '(^|[ [(|])--[a-z0-9-]+' | grep -o -E -- '--[a-z0-9-]+' | sort -u); do
    case $offered in
    *" $option "*) ;;
    *) echo "FAIL: movrel $command -- does not offer $option" && failures=$((failures + 1)) ;;
    esac
  done
done
[ "$failures" -eq 0 ] && echo "completion: all words complete as expected"
exit $((failures > 0))
