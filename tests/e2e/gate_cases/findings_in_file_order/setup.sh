printf "no names\\n" > none
