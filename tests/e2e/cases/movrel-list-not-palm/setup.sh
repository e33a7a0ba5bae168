printf "shopping: milk, eggs\n" > notes.txt
