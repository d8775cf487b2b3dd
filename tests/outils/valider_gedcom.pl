# Reads a GEDCOM file with Debian's Gedcom.pm, checks it against the 5.5
# grammar and says how many persons and families it holds.
use strict;
use warnings;
use Gedcom;

my @problemes;
local $SIG{__WARN__} = sub { push @problemes, @_ };
my $ged = Gedcom->new(gedcom_file => $ARGV[0], grammar_version => "5.5", read_only => 1);
my $valide = $ged->validate;
print "PROBLEME: $_" for @problemes;
my @individus = $ged->individuals;
my @familles = $ged->families;
print "individus ", scalar(@individus), " familles ", scalar(@familles), " valide ", ($valide ? 1 : 0), "\n";
