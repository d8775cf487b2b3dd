#!/usr/bin/python3
"""GEDCOM exchange checked against a real peer, the command-line tool of the
free genealogy program Gramps.

  interop.py VELMORIS GENEA_DEMO DEMO_TXT

1. The demonstration family, exported by Velmoris, is imported by Gramps:
   the counts of persons, families, births and deaths must match.
2. Gramps' example tree, exported by Gramps, is imported by Velmoris: every
   person and every parent-child link must arrive.
3. That tree is exported again by Velmoris, and its dates are compared with
   Gramps' own.
"""
import collections
import os
import shutil
import struct
import subprocess
import sys
import tempfile

EXEMPLE = "/usr/share/doc/gramps/example/gramps/example.gramps"
TAILLE_FICHE = 380


def lire_gedcom(chemin):
    """Records of a GEDCOM file: {xref: (tag, [(level, tag, value)])}, in order."""
    enregistrements = collections.OrderedDict()
    courant = None
    with open(chemin, encoding="utf-8-sig", errors="replace") as f:
        for ligne in f:
            morceaux = ligne.rstrip("\r\n").split(" ", 2)
            if len(morceaux) < 2 or not morceaux[0].isdigit():
                continue
            niveau = int(morceaux[0])
            if niveau == 0:
                if morceaux[1].startswith("@") and len(morceaux) > 2:
                    courant = []
                    enregistrements[morceaux[1]] = (morceaux[2].strip(), courant)
                else:
                    courant = None
                continue
            if courant is not None:
                etiquette = morceaux[1]
                valeur = morceaux[2] if len(morceaux) > 2 else ""
                courant.append((niveau, etiquette, valeur))
    return enregistrements


def de_genre(enregistrements, genre):
    return [(x, lignes) for x, (g, lignes) in enregistrements.items() if g == genre]


def dates(lignes, evenement):
    """The DATE of the first event `evenement` of a record."""
    dans = False
    for niveau, etiquette, valeur in lignes:
        if niveau == 1:
            if dans:
                return None
            dans = etiquette == evenement
        elif dans and niveau == 2 and etiquette == "DATE":
            return valeur.strip()
    return None


def compter(chemin):
    e = lire_gedcom(chemin)
    individus = de_genre(e, "INDI")
    return {
        "personnes": len(individus),
        "familles": len(de_genre(e, "FAM")),
        "naissances": sum(1 for _, l in individus if dates(l, "BIRT")),
        "décès": sum(1 for _, l in individus if dates(l, "DEAT")),
    }


def lire_fic(chemin):
    """(Pere, Mere, Enfants) of each record of a genealogy file."""
    fiches = []
    with open(chemin, "rb") as f:
        donnees = f.read()
    for i in range(len(donnees) // TAILLE_FICHE):
        o = donnees[i * TAILLE_FICHE:(i + 1) * TAILLE_FICHE]
        pere, mere = struct.unpack_from("<ii", o, 211)
        enfants = struct.unpack_from("<10i", o, 219)
        fiches.append((pere, mere, enfants))
    return fiches


def gramps(*arguments, dossier):
    env = dict(os.environ, HOME=dossier, LANG="C.UTF-8")
    r = subprocess.run(["gramps", *arguments], cwd=dossier, env=env,
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if r.returncode != 0:
        sys.exit("gramps a échoué : " + r.stderr[-2000:])


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

    print("1. La famille de démonstration, exportée par Velmoris, lue par Gramps")
    subprocess.run([genea_demo, demo_txt, dossier], check=True, stdout=subprocess.DEVNULL)
    demo = os.path.join(dossier, "VELMORIS.FIC")
    demo_ged = os.path.join(dossier, "demo.ged")
    velmoris(programme, "--exporter-gedcom", demo, demo_ged)
    relu = os.path.join(dossier, "demo_par_gramps.ged")
    gramps("-i", demo_ged, "-e", relu, dossier=dossier)
    a, b = compter(demo_ged), compter(relu)
    for cle in a:
        bon &= verifier(a[cle] == b[cle], "%s : %d écrits, %d lus par Gramps" % (cle, a[cle], b[cle]))

    print("2. L'arbre d'exemple de Gramps, lu par Velmoris")
    exemple = os.path.join(dossier, "exemple.ged")
    gramps("-i", EXEMPLE, "-e", exemple, dossier=dossier)
    fic = os.path.join(dossier, "exemple.FIC")
    rapport = velmoris(programme, "--importer-gedcom", exemple, fic)
    print("   " + "\n   ".join(l for l in rapport.splitlines()[:25] if l.strip()))
    e = lire_gedcom(exemple)
    individus = de_genre(e, "INDI")
    fiches = lire_fic(fic)
    bon &= verifier(len(fiches) == len(individus),
                    "%d personnes dans l'arbre, %d fiches" % (len(individus), len(fiches)))
    numero = {x: i for i, (x, _) in enumerate(individus)}
    liens = arrives = 0
    for _, lignes in de_genre(e, "FAM"):
        parents = [numero.get(v.strip()) for n, t, v in lignes if n == 1 and t in ("HUSB", "WIFE")]
        enfants = [numero.get(v.strip()) for n, t, v in lignes if n == 1 and t == "CHIL"]
        for p in parents:
            for c in enfants:
                if p is None or c is None:
                    continue
                liens += 1
                pere, mere, _ = fiches[c]
                if p in (pere, mere) or c in fiches[p][2]:
                    arrives += 1
    bon &= verifier(arrives == liens, "liens parent-enfant : %d dans l'arbre, %d arrivés" % (liens, arrives))

    print("3. Le même arbre réexporté par Velmoris : ses dates")
    reexport = os.path.join(dossier, "exemple_reexporte.ged")
    velmoris(programme, "--exporter-gedcom", fic, reexport)
    individus2 = de_genre(lire_gedcom(reexport), "INDI")
    pareilles = differentes = 0
    exemples = []
    for (_, l1), (_, l2) in zip(individus, individus2):
        for evenement in ("BIRT", "DEAT"):
            d1, d2 = dates(l1, evenement), dates(l2, evenement)
            if d1 is None:
                continue
            if d1 == d2:
                pareilles += 1
            else:
                differentes += 1
                if len(exemples) < 12:
                    exemples.append("« %s » revient « %s »" % (d1, d2))
    print("   %d dates de naissance et de décès reviennent à l'identique, %d autrement"
          % (pareilles, differentes))
    for x in exemples:
        print("     " + x)
    shutil.rmtree(dossier)
    print("Interopérabilité : " + ("tout est vérifié." if bon else "DES VÉRIFICATIONS ONT ÉCHOUÉ."))
    return 0 if bon else 1


if __name__ == "__main__":
    sys.exit(main())
