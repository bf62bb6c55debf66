# A long file first, then files of more findings than a report formatted in
# memory holds, which a second job checks while the first is under way: they
# wait for their turn formatted in a temporary file, or with no temporary
# folder as records in memory. Either way the report is the one of one job.
yes '()' | head -c 8000000 > long
for i in $(seq 12); do
  for j in $(seq 300); do printf ')\n'; done > "short$i"
  printf '(\n' >> "short$i"
done
