# 2^14 copies of the database back to back: 49,152 categories in over 3 MB,
# so that the file is read in several chunks and printed in many batches.
cp "$DB" large.pdb
for step in 1 2 3 4 5 6 7 8 9 10 11 12 13 14; do
  cat large.pdb large.pdb >twice.pdb && mv twice.pdb large.pdb
done
