files=(long short*)
for format in gnu json sarif; do
  for folder in "${TMPDIR:-/tmp}" /nonexistent-folder; do
    "$1" --format "$format" -j 1 "${files[@]}" > one.out
    one=$?
    TMPDIR=$folder "$1" --format "$format" -j 2 "${files[@]}" > two.out
    two=$?
    cmp -s one.out two.out && echo "$format $one $two identical" || echo "$format differs"
  done
done
