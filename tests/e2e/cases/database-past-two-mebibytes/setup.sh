# 3 MB of zero bytes before the database: the image spans whole huge pages.
{ head -c 3000000 /dev/zero; cat "$DB"; } >large.pdb
