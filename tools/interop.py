#!/usr/bin/python3
"""GEDCOM exchange checked against a real peer, the command-line tool of the
free genealogy program Gramps.

  interop.py VELMORIS GENEA_DEMO DEMO_TXT

Gramps reads Velmoris' export of the demonstration family; then, for the
demonstration family as Gramps writes it and for Gramps' example tree, the
round trip source -> Velmoris (with its companion store) -> Gramps is
compared with Gramps reading the source:

- Gramps reads Velmoris' export with no warning but missing picture files;
- every person keeps its sex, father and mother;
- every couple the records prove (a shared child) comes back, and no couple
  comes back that the source does not have;
- kind by kind, events, citations, notes, other names, pictures, families
  (children, marriage, sources), marriage dates and the file's sources,
  notes, pictures and repositories come back in the same number, each with
  the same values (pointers compared by what they lead to);
- and the birth and death dates that come back identical.
"""
import collections
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unicodedata

EXEMPLE = "/usr/share/doc/gramps/example/gramps/example.gramps"
EVENEMENTS = ("BIRT", "DEAT", "CHR", "BAPM", "BURI", "CREM", "RESI", "CENS", "EDUC", "OCCU", "EVEN",
              "GRAD", "RELI", "MARR", "DIV", "ENGA", "EMIG", "IMMI", "NATU", "PROB", "WILL", "ADOP",
              "CONF", "FCOM", "ORDN", "RETI", "NATI", "DSCR", "TITL", "FACT", "_MILT", "NCHI",
              "PROP", "CAST", "IDNO", "SSN", "BARM", "BASM", "BLES", "CHRA")


def lire_gedcom(chemin):
    """Records of a GEDCOM file: [(xref, tag, [(level, tag, value)])], in order."""
    enregistrements = []
    courant = None
    with open(chemin, encoding="utf-8-sig", errors="replace") as f:
        for ligne in f:
            morceaux = ligne.rstrip("\r\n").split(" ", 2)
            if len(morceaux) < 2 or not morceaux[0].isdigit():
                continue
            niveau = int(morceaux[0])
            if niveau == 0:
                courant = []
                if morceaux[1].startswith("@") and len(morceaux) > 2:
                    etiquette, _, texte = morceaux[2].partition(" ")
                    if texte:  # a note's text on its level 0 line
                        courant.append((0, "TEXT", texte))
                    enregistrements.append((morceaux[1], etiquette.strip(), courant))
                else:
                    enregistrements.append((None, morceaux[1], courant))
                continue
            if courant is not None:
                courant.append((niveau, morceaux[1], morceaux[2] if len(morceaux) > 2 else ""))
    return enregistrements


def valeur(lignes, chemin):
    """The value of the first line at path ("BIRT", "DATE") of a record."""
    pile = []
    for niveau, etiquette, v in lignes:
        del pile[niveau - 1:]
        pile.append(etiquette)
        if tuple(pile) == tuple(chemin):
            return v.strip()
    return None


def plier(texte):
    t = unicodedata.normalize("NFKD", texte or "")
    return "".join(c for c in t if not unicodedata.combining(c)).lower().replace("/", " ").split()


class Arbre:
    """Persons in file order, with their sex, parents and couples."""

    def __init__(self, chemin):
        enr = lire_gedcom(chemin)
        self.personnes = [(x, l) for x, g, l in enr if g == "INDI"]
        self.rang = {x: i for i, (x, _) in enumerate(self.personnes)}
        self.familles = [(x, l) for x, g, l in enr if g == "FAM"]
        self.genres = collections.Counter(g for _, g, _ in enr)
        self.parents = {}
        self.couples = set()
        self.couples_avec_enfant = set()
        self.mariages = set()
        for _, lignes in self.familles:
            h = [self.rang.get(v.strip()) for n, t, v in lignes if n == 1 and t == "HUSB"]
            w = [self.rang.get(v.strip()) for n, t, v in lignes if n == 1 and t == "WIFE"]
            h, w = (h[0] if h else None), (w[0] if w else None)
            enfants = [self.rang.get(v.strip()) for n, t, v in lignes if n == 1 and t == "CHIL"]
            if h is not None and w is not None:
                self.couples.add((h, w))
                if enfants:
                    self.couples_avec_enfant.add((h, w))
            date = valeur(lignes, ("MARR", "DATE"))
            if date:
                self.mariages.add((h, w, date))
            for e in enfants:
                if e is not None:
                    self.parents.setdefault(e, []).append((h, w))

        self.enregistrements = {x: (g, l) for x, g, l in enr if x}

    def signature(self, valeur_):
        """A value, or what a pointer leads to: a source by its title, a note
        by its text, a picture by its file; persons and families by nothing,
        their identifiers being the writer's own."""
        v = (valeur_ or "").strip()
        if not (v.startswith("@") and v.endswith("@")):
            return v
        genre, lignes = self.enregistrements.get(v, (None, []))
        if genre in ("INDI", "FAM") or genre is None:
            return "@"
        if genre == "NOTE":
            return "NOTE:" + self.texte_de_note(v)
        for etiquette in ("TITL", "NAME", "FILE"):
            t = valeur(lignes, (etiquette,))
            if t:
                return genre + ":" + t
        return genre

    def texte_de_note(self, xref):
        """A note's text, its continuations joined; Gramps' own notes on what
        it could not read name line numbers, and are only counted."""
        texte = ""
        for niveau, etiquette, v in self.enregistrements[xref][1]:
            if etiquette == "TEXT" and niveau == 0:
                texte = v
            elif etiquette == "CONT" and niveau == 1:
                texte += "\n" + v
            elif etiquette == "CONC" and niveau == 1:
                texte += v
        return "(note de Gramps)" if texte.startswith("Records not imported") else texte

    def structures(self, lignes, ignorer=("CHAN", "FAMS", "FAMC", "HUSB", "WIFE", "CHIL")):
        """The level 1 structures of a record, each with its lines, values
        and pointers compared by what they say; the change dates left out."""
        resultat = []
        courante = None
        hors = None
        for niveau, etiquette, v in lignes:
            if hors is not None and niveau > hors:
                continue
            hors = None
            if etiquette in ("CHAN",) or (niveau == 1 and etiquette in ignorer):
                hors = niveau
                continue
            if niveau == 1:
                courante = [(1, etiquette, self.signature(v))]
                resultat.append(courante)
            elif courante is not None:
                courante.append((niveau, etiquette, self.signature(v)))
        return collections.Counter(tuple(x) for x in resultat)

    def familles_par_couple(self):
        """Families by their spouses' ranks: children and structures."""
        resultat = collections.defaultdict(list)
        for _, lignes in self.familles:
            def rangs(etiquette):
                return [self.rang.get(v.strip()) for n, t, v in lignes if n == 1 and t == etiquette]
            h, w = rangs("HUSB"), rangs("WIFE")
            cle = (h[0] if h else None, w[0] if w else None)
            resultat[cle].append((tuple(sorted(x for x in rangs("CHIL") if x is not None)),
                                  self.structures(lignes)))
        return resultat

    def genres_compares(self, autre):
        """Kind by kind: how many in each tree, and how many come back the same."""
        genres = collections.OrderedDict()
        etiquettes = {"événements": EVENEMENTS, "citations de sources": ("SOUR",),
                      "notes": ("NOTE",), "images": ("OBJE",), "autres noms": ("NAME",),
                      "associations": ("ASSO",)}
        n = min(len(self.personnes), len(autre.personnes))
        for nom, tags in etiquettes.items():
            a = b = pareils = 0
            for i in range(n):
                sa, sb = self.structures(self.personnes[i][1]), autre.structures(autre.personnes[i][1])
                sa = collections.Counter({k: c for k, c in sa.items() if k[0][1] in tags})
                sb = collections.Counter({k: c for k, c in sb.items() if k[0][1] in tags})
                a += sum(sa.values())
                b += sum(sb.values())
                pareils += sum((sa & sb).values())
            genres[nom + " (personnes)"] = (a, b, pareils)
        fa, fb = self.familles_par_couple(), autre.familles_par_couple()
        a = sum(len(v) for v in fa.values())
        b = sum(len(v) for v in fb.values())
        pareils = 0
        for cle, liste in fa.items():
            reste = list(fb.get(cle, []))
            for x in liste:
                if x in reste:
                    reste.remove(x)
                    pareils += 1
        genres["familles (enfants, mariage, sources…)"] = (a, b, pareils)
        genres["dates de mariage"] = (len(self.mariages), len(autre.mariages),
                                      len(self.mariages & autre.mariages))
        for nom, genre in (("sources", "SOUR"), ("notes à part", "NOTE"), ("images à part", "OBJE"),
                           ("dépôts", "REPO")):
            sa = collections.Counter(self.record_signature(x) for x, (g, _) in
                                     self.enregistrements.items() if g == genre)
            sb = collections.Counter(autre.record_signature(x) for x, (g, _) in
                                     autre.enregistrements.items() if g == genre)
            genres[nom] = (sum(sa.values()), sum(sb.values()), sum((sa & sb).values()))
        return genres

    def record_signature(self, xref):
        genre, lignes = self.enregistrements[xref]
        if genre == "NOTE":
            return self.signature(xref)
        return (self.signature(xref), tuple(sorted(self.structures(lignes).elements())))

    def sexe(self, i):
        return valeur(self.personnes[i][1], ("SEX",)) or "U"

    def nom(self, i):
        return plier(valeur(self.personnes[i][1], ("NAME",)))


def gramps(*arguments, dossier):
    env = dict(os.environ, HOME=dossier, LANG="C.UTF-8")
    r = subprocess.run(["gramps", "-y", *arguments], cwd=dossier, env=env,
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if r.returncode != 0:
        sys.exit("gramps a échoué : " + r.stderr[-2000:])
    return r.stdout


def relire_par_gramps(ged, sortie, dossier):
    """Gramps reads a GEDCOM file and writes it again; its import warnings."""
    texte = gramps("-i", ged, "-e", sortie, dossier=dossier)
    rapport = texte.split("GEDCOM import report:", 1)[-1] if "GEDCOM import report" in texte else ""
    rapport = rapport.split("Exporting:", 1)[0]
    lignes = [l.strip() for l in re.split(r"[\r\n]+", rapport) if l.strip()]
    return [l for l in lignes if "No errors detected" not in l and not l.startswith("Exporting")]


def velmoris(programme, *arguments):
    r = subprocess.run([programme, *arguments], stdout=subprocess.PIPE,
                       stderr=subprocess.PIPE, text=True,
                       env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    if r.returncode != 0:
        sys.exit("Velmoris a échoué : " + r.stderr)
    return r.stdout


def verifier(condition, message):
    print(("  oui   " if condition else "  NON   ") + message)
    return condition


def comparer(source, relu, avertissements, exact=True):
    """Gramps reading the source against Gramps reading Velmoris' export."""
    bon = True
    media = [a for a in avertissements if not re.search(r"(media|image|photo|fichier|file)", a, re.I)]
    bon &= verifier(not media, "Gramps lit l'export sans avertissement (hors images absentes)%s"
                    % ("" if not media else " : " + " | ".join(media[:5])))
    n = len(source.personnes)
    bon &= verifier(len(relu.personnes) == n, "personnes : %d, %d relues" % (n, len(relu.personnes)))
    if len(relu.personnes) != n:
        return False
    # The records keep the file's order: each person is compared with itself,
    # by a first given name written in plain letters (others are transliterated).
    comparables = [i for i in range(n) if source.nom(i)[:1] and source.nom(i)[0].isascii()]
    places = sum(1 for i in comparables if relu.nom(i)[:1] == source.nom(i)[:1])
    bon &= verifier(places == len(comparables), "chaque personne à sa place (%d sur %d)"
                    % (places, len(comparables)))
    sexes = sum(1 for i in range(n) if source.sexe(i) == relu.sexe(i))
    bon &= verifier(sexes == n, "sexe : %d sur %d" % (sexes, n))
    avec = [e for e in range(n) if e in source.parents]
    gardes = 0
    for e in avec:
        reste = relu.parents.get(e, [])
        if reste and reste[0] in source.parents[e]:
            gardes += 1
    bon &= verifier(gardes == len(avec), "père et mère : %d enfants sur %d" % (gardes, len(avec)))
    prouves = source.couples_avec_enfant
    bon &= verifier(prouves <= relu.couples,
                    "couples prouvés par un enfant : %d sur %d" % (len(prouves & relu.couples), len(prouves)))
    inventes = relu.couples - source.couples
    bon &= verifier(not inventes, "couples inventés : %d" % len(inventes))
    sans = source.couples - prouves
    print("        couples sans enfant : %d sur %d reviennent" % (len(sans & relu.couples), len(sans)))
    # Gramps writes a name's parts and a picture as records of their own:
    # from a file it did not write, only what it keeps as is is compared.
    print("   Ce qui revient, genre par genre (source, relu, identiques) :")
    for nom, (a, b, pareils) in source.genres_compares(relu).items():
        ligne = "%-38s %7d %7d %7d" % (nom, a, b, pareils)
        if exact or not re.match("(images|autres noms)", nom):
            bon &= verifier(a == b == pareils, ligne)
        else:
            print("        " + ligne)
    pareilles = differentes = 0
    exemples = []
    for i in range(n):
        for evenement in ("BIRT", "DEAT"):
            d1 = valeur(source.personnes[i][1], (evenement, "DATE"))
            d2 = valeur(relu.personnes[i][1], (evenement, "DATE"))
            if d1 is None:
                continue
            if d1 == d2:
                pareilles += 1
            else:
                differentes += 1
                if len(exemples) < 8:
                    exemples.append("« %s » revient « %s »" % (d1, d2))
    print("   %d dates de naissance et de décès reviennent à l'identique, %d autrement"
          % (pareilles, differentes))
    for x in exemples:
        print("     " + x)
    return bon


def aller_retour(programme, ged, nom, dossier):
    """Gramps reading `ged` against Gramps reading Velmoris' import then
    export of it, the companion store in between."""
    fic = os.path.join(dossier, nom + ".FIC")
    rapport = velmoris(programme, "--importer-gedcom", ged, fic)
    print("   " + "\n   ".join(l for l in rapport.splitlines()[:40]
                               if l.startswith("  ") or l.startswith("Rien")))
    reexport = os.path.join(dossier, nom + "_velmoris.ged")
    print("   " + velmoris(programme, "--exporter-gedcom", fic, reexport).strip().replace("\n", "\n   "))
    relu = os.path.join(dossier, nom + "_par_gramps.ged")
    avertissements = relire_par_gramps(reexport, relu, dossier)
    source = os.path.join(dossier, nom + "_relu.ged")
    relire_par_gramps(ged, source, dossier)
    return comparer(Arbre(source), Arbre(relu), avertissements)


def actes(programme, genea_demo, demo_txt, dossier):
    """Two acts entered as "Saisir un acte" does: Gramps reads their events,
    citations, register and witnesses."""
    sous = os.path.join(dossier, "actes")
    subprocess.run([genea_demo, demo_txt, sous], check=True, stdout=subprocess.DEVNULL)
    fic = os.path.join(sous, "VELMORIS.FIC")
    subprocess.run([os.path.join(os.path.dirname(genea_demo), "genea_acte"), fic], check=True,
                   env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    ged = os.path.join(sous, "actes.ged")
    velmoris(programme, "--exporter-gedcom", fic, ged)
    relu = os.path.join(sous, "actes_gramps.ged")
    avertissements = relire_par_gramps(ged, relu, dossier)
    # GEDCOM 5.5.1 has no association under an event (7.0 has): Gramps skips
    # those lines, and gets the witnesses as the principal persons' associations.
    autres = [a for a in avertissements if not re.search(r"Line\s+\d+: [23] (ASSO|RELA)", a)]
    bon = verifier(not autres, "Gramps lit l'export sans autre avertissement que les témoins "
                   "sous les événements%s" % ("" if not autres else " : " + " | ".join(autres[:5])))
    with open(relu, encoding="utf-8") as f:
        texte = f.read()
    for attendu, libelle in [
            ("2 DATE @#DFRENCH R@ 12 VEND 4", "le baptême, à sa date républicaine"),
            ("3 PAGE vue 34, acte n° 12", "la citation du baptême (vue, n° d'acte)"),
            ("3 PAGE vue 40, acte n° 3", "la citation du mariage"),
            ("1 TITL Morlaix, registres paroissiaux (BMS), 1795-1796", "le registre, une source"),
            ("2 CALN 3 E 152/4", "sa cote, au service d'archives"),
            ("2 RELA Parrain (baptême)", "le parrain, avec son rôle"),
            ("2 RELA Marraine (baptême)", "la marraine, avec son rôle"),
            ("2 RELA Témoin 2 (mariage)", "les témoins du mariage, avec leur rôle")]:
        bon &= verifier(attendu in texte, libelle)
    sources = len(re.findall(r"^0 @\S+@ SOUR", texte, re.M))
    bon &= verifier(sources == 1, "une seule source pour les deux actes du registre (%d)" % sources)
    return bon


def main():
    if shutil.which("gramps") is None:
        print("make interop : l'outil en ligne de commande de Gramps est absent, RIEN N'A ÉTÉ "
              "VÉRIFIÉ.\nInstallez-le (sudo apt-get install gramps), puis relancez make interop.")
        return 2
    if not os.path.exists(EXEMPLE):
        print("make interop : l'arbre d'exemple de Gramps est absent (" + EXEMPLE +
              "), RIEN N'A ÉTÉ VÉRIFIÉ.")
        return 2
    programme, genea_demo, demo_txt = sys.argv[1:4]
    dossier = tempfile.mkdtemp(prefix="velmoris-interop-")
    bon = True

    print("1. La famille de démonstration : Velmoris l'exporte, Gramps la relit")
    subprocess.run([genea_demo, demo_txt, dossier], check=True, stdout=subprocess.DEVNULL)
    demo = os.path.join(dossier, "VELMORIS.FIC")
    demo_ged = os.path.join(dossier, "demo.ged")
    velmoris(programme, "--exporter-gedcom", demo, demo_ged)
    demo_gramps = os.path.join(dossier, "demo_gramps.ged")
    avertissements = relire_par_gramps(demo_ged, demo_gramps, dossier)
    bon &= comparer(Arbre(demo_ged), Arbre(demo_gramps), avertissements, exact=False)

    print("2. La famille de démonstration écrite par Gramps : Velmoris la lit et l'écrit, Gramps "
          "relit l'export")
    bon &= aller_retour(programme, demo_gramps, "demo2", dossier)

    print("3. L'arbre d'exemple de Gramps : Gramps l'écrit, Velmoris le lit et l'écrit, "
          "Gramps relit l'export")
    exemple = os.path.join(dossier, "exemple.ged")
    gramps("-i", EXEMPLE, "-e", exemple, dossier=dossier)
    bon &= aller_retour(programme, exemple, "exemple", dossier)

    print("4. Deux actes saisis dans Velmoris : Gramps relit leurs citations, leur registre et "
          "leurs témoins")
    bon &= actes(programme, genea_demo, demo_txt, dossier)
    shutil.rmtree(dossier)
    print("Interopérabilité : " + ("tout est vérifié." if bon else "DES VÉRIFICATIONS ONT ÉCHOUÉ."))
    return 0 if bon else 1


if __name__ == "__main__":
    sys.exit(main())
