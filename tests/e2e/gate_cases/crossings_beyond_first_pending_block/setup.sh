# 64 closes wait on the '[' opened after their opens, then '>' waits on '(':
# the pending closes outgrow their first block before any of them crosses.
{
  for i in $(seq 64); do printf '{\n'; done
  printf '[\n'
  for i in $(seq 64); do printf '}\n'; done
  printf '< ( >\n]\n)\n'
} > input
