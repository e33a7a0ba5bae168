# A stream that stalls after 500 words is searched for a second: the
# session must stand at candidate 500, no more, no less. Then the stream
# comes again whole, the password after those 500.
mkfifo words.fifo
timeout 60 sh -c 'seq 1 500; sleep 30' >words.fifo 2>/dev/null </dev/null &
writer=$!
"$MOVREL" recover "$DB" --wordlist words.fifo --threads 1 --max-time 1 2>/dev/null
status=$?
kill $writer
test $status = 3 && grep -x 'position 500' "$XDG_STATE_HOME/movrel/default.session" >/dev/null
timeout 60 sh -c 'seq 1 500; echo secret; sleep 30' >words.fifo 2>/dev/null </dev/null &
