# Four million names, one byte each: far more than 64 MiB as a list of names.
yes a | head -n 4000000 >_tamberlox_opn.txt
