# The password comes two and a half seconds after the first word.
mkfifo words.fifo
timeout 60 sh -c 'echo one; sleep 2.5; echo secret' >words.fifo 2>/dev/null </dev/null &
