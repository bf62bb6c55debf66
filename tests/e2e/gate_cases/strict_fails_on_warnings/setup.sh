printf "plain text\n" > none
