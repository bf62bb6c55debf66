mkdir -p dir
printf '<b>\n' > one
printf '<b>\n' > dir/two
printf 'one\n\ndir\n' > names
