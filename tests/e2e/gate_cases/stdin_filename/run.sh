printf '<b>\n' | exec -a tamberlox-gate "$1" --stdin-filename 'site/page.html'
