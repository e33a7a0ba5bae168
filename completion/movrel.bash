# bash completion for movrel: the subcommands, every option of each, the
# values of the options that take one of a few words, and file names where a
# file (the database, --wordlist, -o) or a folder (--split) is wanted.
# Self-contained: it needs no function of the bash-completion package.

# The options of subcommand $1, those that take a value marked by "=".
_movrel_options() {
  case $1 in
  list) echo "--json --help" ;;
  export) echo "--format= --charset= --category= -o= --output= --split= --force --help" ;;
  recover) echo "--wordlist= --mask= -1= -2= -3= -4= --custom-charset1= --custom-charset2= --custom-charset3= --custom-charset4= --increment --increment-min= --increment-max= --category= --threads= --shard= --skip= --limit= --keyspace --session= --restore --max-time= --status-every= --status-json --help" ;;
  esac
}

_movrel() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  local commands="list export recover"
  COMPREPLY=()
  if [ "$COMP_CWORD" -eq 1 ]; then
    COMPREPLY=($(compgen -W "$commands help --help --version" -- "$cur"))
    return
  fi
  local command=${COMP_WORDS[1]}
  if [ "$command" = help ]; then
    [ "$COMP_CWORD" -eq 2 ] && COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    return
  fi
  local options
  options=$(_movrel_options "$command")
  case $prev in
  --format)
    COMPREPLY=($(compgen -W "text json markdown kdbx keepass-xml keepassxc-csv bitwarden-json" -- "$cur"))
    return
    ;;
  --charset)
    COMPREPLY=($(compgen -W "utf8 raw" -- "$cur"))
    return
    ;;
  --wordlist | --output | -o)
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -- "$cur"))
    return
    ;;
  --split)
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -d -- "$cur"))
    return
    ;;
  --session)
    # The sessions kept so far, by name.
    local folder=${XDG_STATE_HOME:-$HOME/.local/state}/movrel names=() file
    for file in "$folder"/*.session; do
      [ -e "$file" ] && file=${file##*/} && names+=("${file%.session}")
    done
    COMPREPLY=($(compgen -W "${names[*]}" -- "$cur"))
    return
    ;;
  esac
  # Any other option that takes a value: nothing to offer for it.
  case " $options " in *" $prev= "*) return ;; esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "${options//=/}" -- "$cur"))
  else
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -- "$cur"))
  fi
}
complete -F _movrel movrel
