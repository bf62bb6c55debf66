# A document whose `\begin{document}` is missing: its open belongs before the
# first line only a body holds (a command such as `\part`, not `\partopsep`,
# not in a comment, not indented under a definition; a paragraph of text
# after a blank line; another environment's open). None with the document's
# open before the close, or with nothing only a body holds.
cat > command.tex <<'T'
\documentclass{book}
\partopsep=0pt
\newcommand{\x}[1]{%
  \section{#1}}
% \maketitle
\title{On
  many lines}

\part{One}
\chapter{A}
\end{document}
T
cat > paragraph.tex <<'T'
\documentclass{article}
\newcommand{\x}{y}

Some text, \x.
\section{A}
\end{document}
T
cat > environment.tex <<'T'
\documentclass{scrlttr2}
\usepackage{babel}
\begin{letter}{Someone}
\opening{Dear}
\end{letter}
\end{document}
T
cat > extra_end.tex <<'T'
\documentclass{article}
\begin{document}
\section{A}
\end{document}
\end{document}
T
cat > no_body.tex <<'T'
\documentclass{article}
\usepackage{x}
\foo
\end{document}
T
