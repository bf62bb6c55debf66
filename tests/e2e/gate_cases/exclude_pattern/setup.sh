mkdir -p site/vendor/deep src
printf '<b>\n' > site/vendor/deep/x.html
printf '<b>\n' > site/page.min.html
printf '<b>\n' > site/page.html
printf '<b>\n' > src/given.html
