#!/bin/sh
# The loopback test printer's print command: every printed document is a
# script. Its "STATE:", "ATTR:", "INFO:" and "ERROR:" lines go to the printer as
# they are (they set printer-state-reasons, marker-* and the job's
# job-impressions/job-impressions-completed); "SLEEP: N" waits N seconds, so a
# job can take its time like a real one. Other lines are ignored.
for f in "$@"; do
    while IFS= read -r line || [ -n "$line" ]; do
        case "$line" in
        STATE:* | ATTR:* | INFO:* | ERROR:*) printf '%s\n' "$line" >&2 ;;
        SLEEP:*)
            n=${line#SLEEP:}
            n=$(printf '%s' "$n" | tr -cd '0-9.')
            [ -n "$n" ] && sleep "$n"
            ;;
        esac
    done <"$f"
done
exit 0
