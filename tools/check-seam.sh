#!/usr/bin/env bash
# Fails when module or companion code calls a seam function directly.
#
#   check-seam.sh [--headers DIR] [FOLDER...]   scan (default: the module and
#                                               companion folders that exist)
#   check-seam.sh [--headers DIR] --list        print the seam function names
#
# The seam functions are whatever platform/*.h (or DIR/*.h) declares with
# PLAT_API; there is no list to keep. In the C and C++ sources under each
# FOLDER, a use of one of those names is a call through the seam only when it
# is written plat::Name. These count as violations:
#   Name(...)     ::Name(...)     &Name     &::Name
# These do not: plat::Name(...), obj.Name(...), ptr->Name(...), Other::Name(...)
# (another class's or namespace's function of that name), and anything inside
# comments, string literals and character literals.
#
# Some seam names have legitimate local uses (our own registration under
# HKEY_CLASSES_ROOT, a thread handle, a result file in the temporary
# directory). Such a line opts out with a trailing comment:
#     ::RegCreateKeyExW(HKEY_CLASSES_ROOT, ...);  // seam: local
#
# Output: "file:line: call to Name without plat::" per violation and exit 1;
# otherwise one summary line and exit 0. Exit 2 on usage errors, or when no
# seam function could be found in the headers.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
headers=$top/platform
list=0
folders=()
while [ $# -gt 0 ]; do
  case "$1" in
    --headers) headers=${2:?--headers needs a folder}; shift 2 ;;
    --list) list=1; shift ;;
    -h|--help) sed -n '2,28p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "check-seam: unknown option $1" >&2; exit 2 ;;
    *) folders+=("$1"); shift ;;
  esac
done
[ -d "$headers" ] || { echo "check-seam: no header folder $headers" >&2; exit 2; }
headers=$(cd "$headers" && pwd)

if [ $list = 0 ] && [ ${#folders[@]} -eq 0 ]; then
  cd "$top"
  for d in component common credentials services views accounts multicomputer operations companions; do
    [ -d "$d" ] && folders+=("$d")
  done
fi
for d in "${folders[@]}"; do
  [ -d "$d" ] || { echo "check-seam: no folder $d" >&2; exit 2; }
done

# Reads stdin (NUL-separated file names); prints the violations and summary.
# MODE=list prints the names derived from the headers instead.
CHECK_SEAM_MODE=$([ $list = 1 ] && echo list || echo scan) \
CHECK_SEAM_HEADERS=$headers perl -e '
use strict;
use warnings;

# Blanks comments and literals (keeping line breaks, so line numbers hold);
# returns the code and the set of lines whose // comment is "seam: local".
sub strip {
    my ($text) = @_;
    my ($out, %local) = ("");
    my $line = 1;
    my $n = length $text;
    my $i = 0;
    while ($i < $n) {
        my $c = substr($text, $i, 1);
        my $two = substr($text, $i, 2);
        if ($two eq "//") {
            my $end = index($text, "\n", $i);
            $end = $n if $end < 0;
            my $comment = substr($text, $i, $end - $i);
            $local{$line} = 1 if $comment =~ m{^//\s*seam:\s*local\b};
            $out .= " " x length $comment;
            $i = $end;
        } elsif ($two eq "/*") {
            my $end = index($text, "*/", $i + 2);
            $end = $end < 0 ? $n : $end + 2;
            my $comment = substr($text, $i, $end - $i);
            my $breaks = ($comment =~ tr/\n//);
            $line += $breaks;
            (my $blank = $comment) =~ s/[^\n]/ /g;
            $out .= $blank;
            $i = $end;
        } elsif ($c eq "\"" && (" " . substr($text, $i >= 4 ? $i - 4 : 0, $i >= 4 ? 4 : $i)) =~ /[^A-Za-z0-9_](?:u8|[uUL])?R$/) {
            # Raw string: R"delim( ... )delim"
            my $open = index($text, "(", $i);
            my $delim = substr($text, $i + 1, $open - $i - 1);
            my $end = index($text, ")$delim\"", $open);
            $end = $end < 0 ? $n : $end + length($delim) + 2;
            my $lit = substr($text, $i, $end - $i);
            $line += ($lit =~ tr/\n//);
            (my $blank = $lit) =~ s/[^\n]/ /g;
            $out .= $blank;
            $i = $end;
        } elsif ($c eq "\"" || ($c eq "\x27" && ($i == 0 || substr($text, $i - 1, 1) !~ /[0-9A-Fa-f]/))) {
            # String or character literal; a quote after a digit is a digit
            # separator (1\x27000), not a literal.
            my $j = $i + 1;
            while ($j < $n) {
                my $d = substr($text, $j, 1);
                if ($d eq "\\") { $j += 2; next; }
                last if $d eq $c || $d eq "\n";
                $j++;
            }
            $j++ if $j < $n && substr($text, $j, 1) eq $c;
            $out .= " " x ($j - $i);
            $i = $j;
        } else {
            $line++ if $c eq "\n";
            $out .= $c;
            $i++;
        }
    }
    return ($out, \%local);
}

sub slurp {
    my ($path) = @_;
    open(my $fh, "<", $path) or do { print STDERR "check-seam: cannot read $path: $!\n"; exit 2 };
    local $/;
    my $text = <$fh>;
    $text =~ s/\r\n/\n/g;
    return $text;
}

my $headers = $ENV{CHECK_SEAM_HEADERS};
my %names;
opendir(my $dh, $headers) or do { print STDERR "check-seam: cannot list $headers\n"; exit 2 };
for my $h (sort grep { /\.h$/ } readdir $dh) {
    my ($code) = strip(slurp("$headers/$h"));
    $code =~ s/^[ \t]*#.*$//mg;  # the PLAT_API definition itself
    while ($code =~ /\bPLAT_API\b[^;{}()]*?\b([A-Za-z_]\w*)\s*\(/g) {
        $names{$1} = 1;
    }
}
closedir $dh;
unless (%names) { print STDERR "check-seam: no PLAT_API declarations in $headers\n"; exit 2; }

if ($ENV{CHECK_SEAM_MODE} eq "list") {
    print "$_\n" for sort keys %names;
    exit 0;
}

my $alt = join "|", sort keys %names;
my ($files, $violations) = (0, 0);
local $/ = "\0";
while (my $path = <STDIN>) {
    chomp $path;
    $files++;
    my ($code, $local) = strip(slurp($path));
    # Whole-text matching, so that a call broken over lines is still seen.
    my ($line, $counted) = (1, 0);
    while ($code =~ /(?<![A-Za-z0-9_])($alt)(?![A-Za-z0-9_])/g) {
        my ($name, $start, $end) = ($1, $-[0], $+[0]);
        $line += (substr($code, $counted, $start - $counted) =~ tr/\n//);
        $counted = $start;
        next if $local->{$line};
        my $before = substr($code, $start >= 200 ? $start - 200 : 0, $start >= 200 ? 200 : $start);
        my $called = substr($code, $end, 200) =~ /^\s*\(/;
        my $qualifier;
        if ($before =~ /(?:([A-Za-z_]\w*)\s*)?::\s*$/) {
            $qualifier = defined $1 ? $1 : "";
            $before =~ s/(?:[A-Za-z_]\w*\s*)?::\s*$//;
        }
        my $address = $before =~ /&\s*$/ && $before !~ /&&\s*$/;
        next unless $called || $address;
        next if $before =~ /(?:\.|->)\s*$/;               # a member
        next if defined $qualifier && $qualifier ne "";   # plat:: or another scope
        print "$path:$line: call to $name without plat::\n";
        $violations++;
    }
}
if ($violations) {
    print STDERR "check-seam: $violations direct call(s) of seam functions in $files files\n";
    exit 1;
}
my $count = keys %names;
print "check-seam: no direct calls of the $count seam functions in $files files\n";
exit 0;
' < <(if [ $list = 1 ]; then :; else
        find "${folders[@]}" -type f \( -name '*.cpp' -o -name '*.cc' -o -name '*.c' -o -name '*.h' \
             -o -name '*.hpp' -o -name '*.inl' \) -print0 | sort -z; fi)
