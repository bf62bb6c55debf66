# Files without results around one whose 300 records are formatted when its
# turn comes, not ahead: the results stay one array, one comma between two.
printf "<ul><li>x</li></ul>\\n" > good.html
for i in $(seq 300); do printf "<li>"; done > many.html
printf "\\n" >> many.html
printf "<ul>\\n<li>one\\n</ul>\\n" > bad.html
# The tool's version in the expected document is the project's.
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../../.." && pwd)
version=$(sed -n 's/^project(tamberlox VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
sed "s/@VERSION@/$version/" "$(dirname "${BASH_SOURCE[0]}")/stdout.in" >"$E2E_EXPECTED/stdout"
