#!/bin/sh
# Prints the name of an example set's sample: the one file of the folder that is
# neither a list file nor the rules file.
#
# Usage: example_sample.sh EXAMPLE_DIR
sample=""
for file in "$1"/*; do
    case ${file##*/} in
        _tamberlox_opn.txt | _tamberlox_cls.txt | _tamberlox_rules.txt) ;;
        *) sample=${file##*/} ;;
    esac
done
[ -n "$sample" ] || { echo "no sample file in $1" >&2; exit 1; }
echo "$sample"
