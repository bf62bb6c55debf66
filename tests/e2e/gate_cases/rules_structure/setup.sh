printf '\\newcommand\\AEND{\\end{minipage}}\n\\typeout{\\string\\begin{document}}\n\\begin {itemize}\\end{itemize}\n\\endinput\n\\end{x}\n' > good.tex
printf '\\newcommand\\x{y}\\end{itemize}\n\\newcommand\\y{\\begin{a}\n' > bad.tex
