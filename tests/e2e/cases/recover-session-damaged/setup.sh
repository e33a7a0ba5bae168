# A session cut short by a full disk, say: its position line is half there.
mkdir -p "$XDG_STATE_HOME/movrel"
printf 'movrel-recover-session 1\ndatabase /x.pdb 5 %s\nposi' "$(printf '%064d' 0)" \
  >"$XDG_STATE_HOME/movrel/default.session"
