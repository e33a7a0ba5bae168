# The output is one copy's three categories, 2^14 times, in file order.
awk 'BEGIN {
  block = "******* First *******\nThe first note: read in chunks, decrypted in batches.\n\n" \
          "******* Second *******\nThe second note, written in file order\nwhatever the workers.\n" \
          "******* Third *******\nThird, with a zero byte here:\n"
  printf "49152 categories found\n"
  for (i = 0; i < 16384; i++) printf "%s", block
}' >expected.txt
cmp expected.txt out.txt && wc -c <out.txt
