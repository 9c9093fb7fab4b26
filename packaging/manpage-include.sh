#!/bin/sh
# Extra sections for help2man's page of program $2 (the binary $1): for the
# command line, the help of each subcommand; for both, where to look further.
program="$1"
name="$2"
if [ "$name" = dirmatch ]; then
  for command in compare sync export job "job save" "job run" "job schedule"; do
    printf '[%s COMMAND]\n.nf\n' "$(echo "$command" | tr a-z A-Z)"
    # shellcheck disable=SC2086 # "job save" is two words
    "$program" $command --help | sed "s|$program|dirmatch|; s/\\\\/\\\\\\\\/g; s/^\\./\\\\\\&./"
    printf '.fi\n\n'
  done
fi
printf '[SEE ALSO]\n.BR dirmatch (1),\n.BR dirmatch-gui (1)\n'
