exec -a tamberlox-gate "$1" --jobs 4 big f{1..20} many f{21..40}
