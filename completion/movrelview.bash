# bash completion for movrelview: one database file.
complete -o default movrelview
