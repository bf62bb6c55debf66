# More findings of each kind than one block of records holds in memory, so
# that the rest go to a temporary file and come back in file order: 5,000
# stray closes, 5,000 closes that each wait on a '['
# opened after their opens and cross when it closes, then opens never closed
# under one enclosing close. Once as given, once with no temporary folder,
# where the records stay in memory: the same findings.
n=5000
{
  for i in $(seq $n); do printf ')\n'; done
  for i in $(seq $n); do printf '{\n'; done
  printf '[\n'
  for i in $(seq $n); do printf '}\n'; done
  printf ']\n{\n'
  for i in $(seq $n); do printf '(\n'; done
  printf '}\n'
} > input
cp input input2
{
  for f in input input2; do
    for i in $(seq $n); do echo "$f:$i:1: error: ')' closes nothing"; done
    first=$((2 * n + 2))
    for i in $(seq $first $((first + n - 1))); do
      echo "$f:$i:1: warning: '}' closes '{' of line $((first - 1 - (i - first) - 1)) while '[' of line $((first - 1)) is still open"
    done
    start=$((3 * n + 4))
    for i in $(seq $start $((start + n - 1))); do
      echo "$f:$i:1: error: '(' is never closed"
      echo "$f:$((start + n)):1: note: the enclosing '{' closes here"
    done
  done
} > "$E2E_EXPECTED/stdout"
echo 1 > "$E2E_EXPECTED/status"
