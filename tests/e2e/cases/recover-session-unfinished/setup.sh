# A search of twelve digits stopped after a second: its session stays.
"$MOVREL" recover "$DB" --mask '?d?d?d?d?d?d?d?d?d?d?d?d' --threads 1 --max-time 1 2>/dev/null
test $? = 3
