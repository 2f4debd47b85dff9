# Fills a man page template from the output of `tiltctl --help` (in the file `helpfile`): the
# line @OPTIONS@ becomes the help's "Options:" list and @COMMANDS@ its "Commands:" list, one
# tagged paragraph each; @VERSION@ becomes `version`. The page then lists exactly what the
# program accepts, without a second copy to keep up to date.
#
# The help's layout: a list starts after its "Name:" line and ends at the next empty line; an
# entry starts two spaces in, its continuation lines further in. A command's usage (its words,
# then its arguments) ends at the first two spaces; a continuation line that starts with an
# option starts a new line of its own.

# Text for troff: backslashes and hyphens escaped (a plain "-" may print as a typographic hyphen
# that cannot be pasted into a shell).
function text(s) {
    gsub(/\\/, "\\\\e", s)
    gsub(/-/, "\\\\-", s)
    return s
}

# One word of a usage line: options and command words bold, placeholders italic; brackets,
# "|", "..." and a separating "," plain.
function usageWord(w,    lead, tail, core, n, parts, i, out) {
    lead = ""
    tail = ""
    while (w ~ /^\[/) { lead = lead "["; w = substr(w, 2) }
    while (w ~ /(\]|,|\.\.\.)$/) {
        if (w ~ /\.\.\.$/) { tail = "..." tail; w = substr(w, 1, length(w) - 3) }
        else { tail = substr(w, length(w)) tail; w = substr(w, 1, length(w) - 1) }
    }
    n = split(w, parts, "|")
    out = ""
    for (i = 1; i <= n; ++i) {
        core = parts[i]
        if (core ~ /^[A-Z]/) {
            core = "\\fI" text(core) "\\fR"
        } else if (core != "") {
            core = "\\fB" text(core) "\\fR"
        }
        out = out (i > 1 ? "|" : "") core
    }
    return text(lead) out text(tail)
}

function usage(head,    words, n, i, out) {
    n = split(head, words, " ")
    out = ""
    for (i = 1; i <= n; ++i) {
        out = out (i > 1 ? " " : "") usageWord(words[i])
    }
    return out
}

# A line of text in a paragraph; a leading "." or "'" would be read as a request.
function body(s) {
    s = text(s)
    if (s ~ /^[.']/) {
        s = "\\&" s
    }
    return s
}

# An "Options:" entry: its options, and after a long option the placeholder of its value, are
# the tag (the help may leave a single space before the explanation).
function optionEntry(line,    words, n, i, head, rest, expectValue) {
    n = split(line, words, " ")
    head = ""
    expectValue = 0
    for (i = 1; i <= n; ++i) {
        if (words[i] ~ /^-/) {
            expectValue = words[i] ~ /^--[^,]*$/
        } else if (expectValue && words[i] ~ /^[A-Z][A-Z_]*$/) {
            expectValue = 0
        } else {
            break
        }
        head = head (head == "" ? "" : " ") words[i]
    }
    rest = ""
    for (; i <= n; ++i) {
        rest = rest (rest == "" ? "" : " ") words[i]
    }
    print ".TP"
    print usage(head)
    print body(rest)
}

function commandEntry(line,    at) {
    sub(/^ +/, "", line)
    at = index(line, "  ")
    print ".TP"
    if (at == 0) {
        print usage(line)
        return
    }
    print usage(substr(line, 1, at - 1))
    line = substr(line, at)
    sub(/^ +/, "", line)
    print body(line)
}

function emitList(name,    line, inList, entries) {
    inList = 0
    entries = 0
    while ((getline line < helpfile) > 0) {
        if (!inList) {
            inList = line == name ":"
            continue
        }
        if (line ~ /^[ \t]*$/) {
            break
        }
        if (line ~ /^  [^ ]/) {
            ++entries
            if (name == "Options") {
                optionEntry(line)
            } else {
                commandEntry(line)
            }
        } else {
            sub(/^ +/, "", line)
            if (line ~ /^-/) {
                print ".br"
            }
            print body(line)
        }
    }
    close(helpfile)
    if (entries == 0) {
        print "help_to_man.awk: no \"" name ":\" list in " helpfile > "/dev/stderr"
        failed = 1
        exit 1
    }
}

$0 == "@OPTIONS@" { emitList("Options"); next }
$0 == "@COMMANDS@" { emitList("Commands"); next }
{ gsub(/@VERSION@/, version); print }
END { if (failed) exit 1 }
