/* trivial_cgi.c - the smallest CGI program worth the name: reads nothing, writes a
 * header and one line. bench/request.sh starts it as the baseline of a request's cost. */
#include <stdio.h>

int main(void) {
    fputs("Content-Type: text/plain\n\nok\n", stdout);
    return 0;
}
