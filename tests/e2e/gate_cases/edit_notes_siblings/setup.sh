# Environments of one name side by side: a frame whose end is missing before
# the next frame, one whose begin is missing after the last frame, and a
# document whose end is missing before the comments that end the file.
cat > next_sibling.tex <<'T'
\begin{document}
\begin{frame}
\begin{itemize}
\item one
\end{itemize}
More.

\begin{frame}
Two.
\end{frame}
\end{document}
T
cat > last_sibling.tex <<'T'
\begin{document}
\begin{frame}
One.
\end{frame}

\begin{itemize}
\item two
\end{itemize}
\end{frame}
\end{document}
T
cat > comments_end.tex <<'T'
\begin{document}
\begin{frame}
One.
\end{frame}
\begin{frame}
Two.
\end{frame}
Text.
% Local Variables:
% End:
T
