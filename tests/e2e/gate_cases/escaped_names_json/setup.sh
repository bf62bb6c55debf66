printf 'x' > $'bad\tname'
