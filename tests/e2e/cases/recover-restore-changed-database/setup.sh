# A search stopped after a second, then one byte added to its database.
"$MOVREL" recover "$DB" --mask '?d?d?d?d?d?d?d?d?d?d?d?d' --threads 1 --max-time 1 2>/dev/null
test $? = 3 && printf x >>"$DB"
