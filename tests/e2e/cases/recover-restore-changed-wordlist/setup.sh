# Each word with ten digits, stopped after a second; then a word changes.
printf 'alpha\nbravo\n' >words
"$MOVREL" recover "$DB" --wordlist words --mask '?w?d?d?d?d?d?d?d?d?d?d' --session words \
  --threads 1 --max-time 1 2>/dev/null
test $? = 3 && printf 'alpha\nbravO\n' >words
