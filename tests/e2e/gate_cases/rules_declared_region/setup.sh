printf '\\lstnewenvironment{code}[1][]{}{}\n\\begin{a}\n\\begin{code}\n\\end{x}\n\\end{code}\n\\end{a}\n' > good.tex
printf '\\begin{code}\\end{x}\\end{code}\n\\lstnewenvironment {code}\n\\begin{code}\n\\end{a}\n' > bad.tex
