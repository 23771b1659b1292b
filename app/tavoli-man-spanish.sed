# The headings help2man writes in English, in Spanish as the page is (help2man translates them
# only in a Spanish locale, which a build machine seldom has).
/^\.TH /{
  s/"User Commands"$/"Órdenes de usuario"/
  s/"January /"enero de /
  s/"February /"febrero de /
  s/"March /"marzo de /
  s/"April /"abril de /
  s/"May /"mayo de /
  s/"June /"junio de /
  s/"July /"julio de /
  s/"August /"agosto de /
  s/"September /"septiembre de /
  s/"October /"octubre de /
  s/"November /"noviembre de /
  s/"December /"diciembre de /
}
s/^\.SH NAME$/.SH NOMBRE/
s/^\.SH SYNOPSIS$/.SH SINOPSIS/
s/^\.SH DESCRIPTION$/.SH DESCRIPCIÓN/
s/^\.SH OPTIONS$/.SH OPCIONES/
s/^\.SH "EXIT STATUS"$/.SH "ESTADO DE SALIDA"/
s/^\.SH ENVIRONMENT$/.SH ENTORNO/
s/^\.SH FILES$/.SH ARCHIVOS/
s/^\.SH EXAMPLES$/.SH EJEMPLOS/
s/^\.SH "SEE ALSO"$/.SH "VÉASE TAMBIÉN"/
