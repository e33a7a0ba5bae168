# A FIFO fed by a background writer: 1.5 MB of zero bytes, the database, 1.5 MB
# more, so the stream is read in several steps and its memory grows and moves.
# The writer holds none of this script's streams, and gives up after a minute
# should the tool never open the FIFO.
mkfifo notes.fifo
timeout 60 sh -c '{ head -c 1500000 /dev/zero; cat "$DB"; head -c 1500000 /dev/zero; } >notes.fifo' \
  </dev/null >/dev/null 2>&1 &
