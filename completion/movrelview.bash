# bash completion for movrelview: its one argument, a database file.
_movrelview() {
  COMPREPLY=()
  [ "$COMP_CWORD" -eq 1 ] && COMPREPLY=($(compgen -f -- "${COMP_WORDS[COMP_CWORD]}"))
}
complete -o filenames -F _movrelview movrelview
