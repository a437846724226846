# The fault sweep of run_cases.sh:
#
#   perl sweep.pl COMMAND PROGRAM WORK NOTE LISTING...
#
# For each LISTING, runs the shell command COMMAND in a copy of the current
# folder whose file L is that listing, with PROGRAM traced by strace wherever
# COMMAND runs quota_report: once clean, to see every call the program makes
# that can fail on its streams and on the files of the folder, and then once
# for each such call failed in turn, with each error that fits it.
#
# The clean run must put the report of the listing (PROGRAM run plainly on it)
# in one place, standard output, a file of the folder or the end of L, and
# leave the rest as they were, unless it is refused.  Each run with a fault
# must then end as the clean run did, or with status 255 and the whole
# report, or with status 2 and the program's own messages: a refused run
# leaves every file as it was; after a read error every place holds its
# clean content or whole rows from the start of it, after a write error any
# part from its start.  The listing's own bytes never change.  Prints what
# any run did otherwise and stops there; appends the number of faults tried
# to NOTE.
use strict;
use warnings;

my ($command, $program, $work, $note, @listings) = @ARGV;
my $case = $ENV{PWD};
my $calls = 'open,openat,?fstat,?fstat64,?newfstatat,?statx,fcntl,?fcntl64,lseek,?_llseek,' .
    'read,pread64,write,ftruncate,?ftruncate64,dup2,?dup3,close';
my @messages = (
    [refused => 'Unable to open input file L'],
    [refused => 'Unable to open output file out'],
    [refused => 'Unable to open output file out: it is the input file'],
    [refused => 'Unable to write standard output: it is the input file'],
    [refused => 'Unable to write standard output: cannot tell whether it is the input file'],
    [read => 'Unable to read input file L'], [read => 'Unable to read standard input'],
    [write => 'Unable to write output file out'], [write => 'Unable to write standard output']);
# What the messages of a run with its status allow each place to hold.
my %verdict = ('0:' => 'clean', '255:' => 'clean', '2:refused' => 'as before',
    '2:read' => 'whole rows', '2:write' => 'a part', '2:read write' => 'a part');

sub slurp { my ($path) = @_; open(my $f, '<', $path) or return undef; local $/; my $b = <$f>; $b // '' }
sub spill { my ($path, $bytes) = @_; open(my $f, '>', $path) or die "$path: $!\n"; print $f $bytes }

# The command's quota_report, wherever it runs it: PROGRAM under strace.
mkdir "$work/traced";
spill("$work/traced/quota_report",
    "#!/bin/sh\nexec strace -qq -y -o \"\$SWEEP_LOG\" -e trace=$calls \$SWEEP_FAULT '$program' \"\$@\"\n");
chmod 0755, "$work/traced/quota_report";

# The case's folder, with the listing as L: the files and their modes.
my %before;
sub take_folder {
    my ($listing) = @_;
    %before = ();
    opendir(my $d, $case) or die "$case: $!\n";
    for my $name (grep { !/^\.\.?$/ } readdir $d) {
        $before{$name} = [slurp("$case/$name"), (stat "$case/$name")[2] & 07777];
    }
    $before{L} = [slurp($listing), 0644];
}

# What a place held before the run: nothing for standard output and after
# the listing, undef for a file the folder did not have.
sub was { my ($place) = @_; $place eq ':stdout' || $place eq 'L' ? '' : $before{$place} ? $before{$place}[0] : undef }

# Starts the command in a fresh copy of the folder, $work/run.SLOT, with the
# fault given, if any.
sub start {
    my ($fault, $slot) = @_;
    my $dir = "$work/run.$slot";
    if (opendir(my $d, $dir)) {
        unlink map { "$dir/$_" } grep { !/^\.\.?$/ } readdir $d;
    } else {
        mkdir $dir or die "$dir: $!\n";
    }
    for my $name (keys %before) {
        spill("$dir/$name", $before{$name}[0]);
        chmod $before{$name}[1], "$dir/$name";
    }
    my $pid = fork // die "fork: $!\n";
    return $pid if $pid;
    chdir $dir or die "$dir: $!\n";
    $ENV{PATH} = "$work/traced:$ENV{PATH}";
    $ENV{SWEEP_LOG} = "$dir.log";
    $ENV{SWEEP_FAULT} = $fault ? "-e inject=$fault" : '';
    $ENV{ASAN_OPTIONS} = 'detect_leaks=0';
    open(STDIN, '>', "$dir.stdin") && open(STDIN, '<', "$dir.stdin") && open(STDOUT, '>', "$dir.stdout") &&
        open(STDERR, '>', "$dir.stderr") or die "$!\n";
    exec 'bash', '-c', $command or die "bash: $!\n";
}

# The ended run of SLOT, whose status is given: its status, standard error,
# and the places a report can go: standard output (named ':stdout'), each
# file of the folder, and of L only what follows the listing's own bytes
# (undef when those changed).
sub finish {
    my ($slot, $status) = @_;
    my $dir = "$work/run.$slot";
    my %run = (status => $status >> 8, stderr => slurp("$dir.stderr"));
    $run{places}{':stdout'} = slurp("$dir.stdout");
    opendir(my $d, $dir) or die "$dir: $!\n";
    for my $name (grep { !/^\.\.?$/ } readdir $d) {
        $run{places}{$name} = slurp("$dir/$name");
    }
    my $own = $before{L}[0];
    my $listing = $run{places}{L} // '';
    $run{places}{L} = substr($listing, 0, length $own) eq $own ? substr($listing, length $own) : undef;
    return %run;
}

# The calls of the clean run on its standard input and output and on the
# files of its folder (all of them named $work/run.0*, but for a pipe), each
# as strace's fault: its name and its number among the calls of that name.
# A message that cannot be written to standard error cannot be told of.
sub faults {
    my $folder = "$work/run.0";
    my (%count, @faults);
    for (split /\n/, slurp("$work/run.0.log")) {
        next unless /^(\w+)\((.*)/;
        my ($name, $arguments) = ($1, $2);
        my $n = ++$count{$name};
        $arguments =~ s/^AT_FDCWD<[^>]*>, //;
        next if $arguments =~ /^2</;
        next unless $arguments =~ /^(\d+<pipe:|"(?!\/)|(\d+<|")\Q$folder\E)/;
        my @errors = ('EIO', $name eq 'write' ? ('ENOSPC', 'EFBIG') : (),
            $name =~ /lseek$/ ? 'EOVERFLOW' : ());
        push @faults, map { "$name:error=$_:when=$n" } @errors;
    }
    return @faults;
}

# Whether each place holds what the verdict allows, against the clean run.
sub holds {
    my ($verdict, $place, $got, %clean) = @_;
    my $was = was($place);
    my $clean = $clean{places}{$place};
    my $same = sub { my ($a, $b) = @_; (defined $a ? "+$a" : '-') eq (defined $b ? "+$b" : '-') };
    my $start = defined $got && defined $clean && substr($clean, 0, length $got) eq $got;
    return $same->($got, $clean) if $verdict eq 'clean';
    return 1 if $same->($got, $was);
    return 0 if $verdict eq 'as before';
    return $start && ($verdict eq 'a part' || $got eq '' || $got =~ /\n\z/);
}

sub judge {
    my ($fault, $run, %clean) = @_;
    my @said = map { my $line = $_; my ($m) = grep { $_->[1] eq $line } @messages; $m ? $m->[0] : '?' }
        split /\n/, $run->{stderr};
    my $verdict = $verdict{"$run->{status}:@said"} // '';
    $verdict = '' if $verdict eq 'clean' && $run->{status} == 0 && $run->{stderr} ne $clean{stderr};
    my %places = map { $_ => 1 } keys %{$run->{places}}, keys %{$clean{places}}, keys %before;
    my @wrong = grep { !$verdict || !holds($verdict, $_, $run->{places}{$_}, %clean) } sort keys %places;
    return 1 unless @wrong;
    print "$command, $fault: status $run->{status}", ($verdict ? ", $verdict" : ''), "\n";
    print map { "    $_\n" } split /\n/, $run->{stderr};
    for (@wrong) {
        my $got = $run->{places}{$_};
        my $clean = $clean{places}{$_};
        printf "  %s: %s, %s in the clean run\n", $_, defined $got ? length($got) . ' bytes' : 'none',
            defined $clean ? length $clean : 'none';
    }
    return 0;
}

# Two runs at a time, one a core.
my $tried = 0;
for my $listing (@listings) {
    take_folder($listing);
    my $report = `'$program' '$listing'`;
    waitpid(start('', 0), 0);
    my %clean = finish(0, $?);
    my @faults = faults();
    # The clean run reports the listing in one place, or is refused; what
    # it did is printed, for the case to hold.
    (my $name = $listing) =~ s|.*/||;
    if ($clean{status} == 0) {
        my @changed = grep { my $was = was($_);
            !defined $clean{places}{$_} || !defined $was || $clean{places}{$_} ne $was } keys %{$clean{places}};
        unless ($clean{stderr} eq '' && @changed == 1 && $clean{places}{$changed[0]} eq $report) {
            print "$name: the report is not in one place, or others changed: @changed\n";
            exit 1;
        }
        print "$name: the report in $changed[0]\n";
    } else {
        print "$name: status $clean{status}, ", join('; ', split /\n/, $clean{stderr}), "\n";
        judge('no fault', \%clean, (status => 0, stderr => '', places => {
            map { $_ => was($_) } keys %before, ':stdout' })) or exit 1;
    }
    my %running;
    while (@faults || %running) {
        if (@faults && keys %running < 2) {
            my $slot = grep({ $_->[0] == 0 } values %running) ? 1 : 0;
            my $fault = shift @faults;
            $running{start($fault, $slot)} = [$slot, $fault];
            next;
        }
        my $pid = wait;
        my ($slot, $fault) = @{delete $running{$pid}};
        my %run = finish($slot, $?);
        judge($fault, \%run, %clean) or exit 1;
        $tried++;
    }
}
open(my $n, '>>', $note) or die "$note: $!\n";
print $n "$command: $tried faults\n";
