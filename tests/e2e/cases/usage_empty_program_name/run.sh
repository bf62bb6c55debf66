# Argument 0 is printed unchanged, even when it is empty.
exec -a "" "$1"
