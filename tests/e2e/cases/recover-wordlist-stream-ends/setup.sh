# A FIFO whose writer gives the password, then goes on writing for a minute.
mkfifo words.fifo
timeout 60 sh -c 'printf "one\ntwo\nsecret\n"; while sleep 1; do echo more; done' >words.fifo \
  </dev/null 2>/dev/null &
