# A folder is walked in sorted order; .git, the sets' own files, links to
# folders and what is no regular file are left out.
mkdir -p site/a site/b .git
printf '<b>\n' > site/b/bad.html
printf '<b>\n' > site/a/bad.html
printf '<b></b>\n' > site/good.html
printf '<b>\n' > .git/config
printf '<b>\n' > site/_tamberlox_notes.txt
ln -s .. site/loop
ln -s a/bad.html site/link.html
mkfifo site/fifo
