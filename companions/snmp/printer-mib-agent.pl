#!/usr/bin/perl
# The Printer MIB and the Host Resources printer rows of a test printer, for
# snmpd's pass_persist: every request reads the data file afresh, so a test
# changes the printer by rewriting that file. Its lines are
#     OID TYPE VALUE        TYPE: integer, gauge, counter, timeticks, string, octet (hex bytes)
#     silent                the agent stops answering while this line is there
# and '#' comments. Core Perl only.
use strict;
use warnings;

my $file = shift @ARGV or die "usage: printer-mib-agent.pl DATAFILE\n";
$| = 1;

sub oid_key {
    my ($oid) = @_;
    $oid =~ s/^\.//;
    return join('.', map { sprintf('%010d', $_) } split(/\./, $oid));
}

sub load {
    my %mib;
    my $silent = 0;
    if (open(my $in, '<', $file)) {
        while (my $line = <$in>) {
            $line =~ s/\r?\n$//;
            next if $line =~ /^\s*(#|$)/;
            if ($line =~ /^\s*silent\s*$/) { $silent = 1; next; }
            my ($oid, $type, $value) = $line =~ /^\s*(\.?[0-9.]+)\s+(\S+)\s?(.*)$/ or next;
            $oid = ".$oid" unless $oid =~ /^\./;
            $mib{$oid} = [$type, $value];
        }
        close($in);
    }
    return (\%mib, $silent);
}

sub answer {
    my ($mib, $oid) = @_;
    my ($type, $value) = @{ $mib->{$oid} };
    print "$oid\n$type\n$value\n";
}

while (my $command = <STDIN>) {
    chomp $command;
    my ($mib, $silent) = load();
    while ($silent) {
        select(undef, undef, undef, 0.1);
        ($mib, $silent) = load();
    }
    if ($command eq 'PING') {
        print "PONG\n";
    } elsif ($command eq 'get' || $command eq 'getnext') {
        my $oid = <STDIN>;
        last unless defined $oid;
        chomp $oid;
        $oid = ".$oid" unless $oid =~ /^\./;
        if ($command eq 'get') {
            if (exists $mib->{$oid}) { answer($mib, $oid); } else { print "NONE\n"; }
            next;
        }
        my $key = oid_key($oid);
        my ($next) = sort { oid_key($a) cmp oid_key($b) }
                     grep { oid_key($_) gt $key } keys %$mib;
        if (defined $next) { answer($mib, $next); } else { print "NONE\n"; }
    } elsif ($command eq 'set') {
        <STDIN>; <STDIN>;
        print "not-writable\n";
    } else {
        last if $command eq '';
        print "NONE\n";
    }
}
