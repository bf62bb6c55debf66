# Without indentation, the words after the names: an environment whose close
# is missing, one whose open is missing, and a document the text ends in.
cat > missing_end.tex <<'T'
\begin{document}
\begin{itemize}
\item one
\item two

Some text.
\end{document}
T
cat > missing_begin.tex <<'T'
\begin{document}
Intro.

\item one
\item two
\end{itemize}
\end{document}
T
cat > text_ends.tex <<'T'
\begin{document}
Text.
\begin{itemize}
\item a
\end{itemize}
More text.
T
