#!/usr/bin/env bash
# Writes the kvhost man page from kvhost's own --help texts, so that it always says what the tool does:
#   scripts/make-manpage.sh KVHOST OUTPUT.1
# One section per verb holds that verb's --help text as it prints it; the surrounding sections
# (environment, files, exit status) are written here.
set -euo pipefail
if [[ $# -ne 2 ]]; then
    echo "usage: $0 KVHOST OUTPUT.1" >&2
    exit 2
fi
kvhost="$1"
output="$2"
version="${KV_VERSION:-}"

# troff-safe preformatted text: backslashes and hyphens escaped, a leading dot or quote kept literal,
# and the program's path as it was run shown as "kvhost".
escape() {
    sed -e "s|$kvhost|kvhost|g" -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\([.']\)/\\\\\&\1/"
}

help_of() {
    "$kvhost" "$@" --help
}

verbs=$(help_of | awk '/^Subcommands:/ {on = 1; next} on && /^  [a-z]/ {print $1}')
if [[ -z "$verbs" ]]; then
    echo "$0: $kvhost --help lists no verbs" >&2
    exit 1
fi

temporary="$output.tmp"
trap 'rm -f "$temporary"' EXIT
{
    echo ".TH KVHOST 1 \"\" \"kvhost $version\" \"Korvane\""
    echo ".SH NAME"
    echo "kvhost \\- the headless host of the Korvane colour-correction effect plug-ins"
    echo ".SH SYNOPSIS"
    for verb in $verbs; do
        echo ".B kvhost $verb"
        echo ".RI [ options ]"
        echo ".br"
    done
    echo ".SH DESCRIPTION"
    echo "kvhost loads an effect plug-in file (morrowby.so, \"KV Curves \\- Absolute\"; tarnwick.so,"
    echo "\"KV Curves \\- Relative\") as the real host does and runs it command by command."
    echo "Each verb below is shown with its own help text (kvhost VERB \\-\\-help)."
    for verb in $verbs; do
        echo ".SH \"kvhost $verb\""
        echo ".nf"
        help_of "$verb" | escape
        echo ".fi"
    done
    cat <<'TROFF'
.SH FREI0R MODULES
kv\-curves\-absolute.so and kv\-curves\-relative.so (installed in lib/frei0r\-1) are frei0r filters
for ffmpeg, MLT (melt, Kdenlive, Shotcut) and other frei0r clients. Their parameters are
"project" (a kvhost project file), "base layer" (Relative only: an image file, or empty) and
"frame rate" (for clients that give times in frames; 0: seconds, and milliseconds from ffmpeg).
A frame whose settings cannot be used passes through unchanged, with one message on standard error.
.PP
.nf
ffmpeg \-i clip.mp4 \-vf "frei0r=kv\-curves\-absolute:grade.kvproj.json" graded.mp4
melt clip.mp4 \-filter frei0r.kv\-curves\-absolute project=grade.kvproj.json \-consumer avformat:graded.mp4
.fi
.SH ENVIRONMENT
.TP
.B KV_PLUGIN_DIR
The folder in which the frei0r modules look for morrowby.so and tarnwick.so first; then their own
folder, then lib/kv\-curves beside it.
.TP
.B FREI0R_PATH
Folders, separated by colons, in which ffmpeg and MLT look for frei0r modules.
.SH FILES
.TP
.I lib/kv\-curves/morrowby.so, lib/kv\-curves/tarnwick.so
the effect plug-ins
.TP
.I lib/frei0r\-1/kv\-curves\-absolute.so, lib/frei0r\-1/kv\-curves\-relative.so
the frei0r modules
.SH EXIT STATUS
0 done; 1 done, but the plug-in did not give back everything it was handed; 2 an error, named on
standard error (for a shot: a frame failed); 130 a shot stopped by SIGINT after a whole frame.
.SH SEE ALSO
.BR ffmpeg (1),
.BR melt (1),
.BR ociocheck (1)
TROFF
} >"$temporary"
mv "$temporary" "$output"
trap - EXIT
