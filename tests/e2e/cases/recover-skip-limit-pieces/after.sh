# Pieces of 300 candidates over the 1111 of the mask: each is tried once,
# and only the piece of 623 (candidate 111 + 623, the 735th) finds it.
for skip in 0 300 600 900; do
  "$MOVREL" recover "$DB" --mask '?d?d?d' --increment --skip $skip --limit 300 >/dev/null 2>err
  echo "$skip $? $(cat err)"
done
# Far beyond 2^32: the last thousand candidates of eleven digits.
"$MOVREL" recover "$DB" --mask '?d?d?d?d?d?d?d?d?d?d?d' --skip 99999999000 --limit 2000 2>&1
