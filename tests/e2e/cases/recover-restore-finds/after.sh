ls "$XDG_STATE_HOME/movrel"
