# Names that spell the whole environment: the pair closed by `\end{document}`
# holds the document, and no other environment's open counts as its body.
cat > names.tex <<'T'
\documentclass{article}
\begin{itemize}
\item a
\end{itemize}
\maketitle
\end{document}
T
cat > opened.tex <<'T'
\begin{document}
\maketitle
\end{document}
\end{document}
T
