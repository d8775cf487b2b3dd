#!/usr/bin/env python3
"""The layers of Velmoris, checked and measured.

    architecture.py            checks: no include points up the layers, no
                               source file is longer than 800 lines; exits 1
                               and names every fault otherwise
    architecture.py --mesures  prints lines per folder, the longest files and
                               functions, and the includes that point up

The layers, lowest first; a folder may include only from its own layer and
those below it. Tests, tools, benchmarks and fuzzers sit above everything.
"""

import os
import re
import sys

RACINE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

COUCHES = [
    "data/fichier",
    "platform",
    "data/complements",
    "data/vivants",
    "data/journal",
    "data/recherche",
    "data/gedcom",
    "data/rapports",
    "data/coherence",
    "data/doublons",
    "session",
    "print",
    "forms",
    "app",
    "tools",
    "bench",
    "fuzz",
    "tests",
]
LIGNES_MAX = 800
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def couche(chemin):
    """The rank of the layer a file belongs to, None outside the layers."""
    meilleure = None
    for rang, dossier in enumerate(COUCHES):
        if chemin == dossier or chemin.startswith(dossier + "/"):
            if meilleure is None or len(dossier) > len(COUCHES[meilleure]):
                meilleure = rang
    return meilleure


def sources():
    for dossier in COUCHES:
        base = os.path.join(RACINE, dossier)
        for racine, sous, fichiers in os.walk(base):
            sous[:] = [d for d in sous if d not in ("corpus", "outils")]
            for nom in sorted(fichiers):
                if nom.endswith((".cpp", ".h")):
                    chemin = os.path.relpath(os.path.join(racine, nom), RACINE)
                    if couche(chemin) == COUCHES.index(dossier):
                        yield chemin


def lignes(chemin):
    with open(os.path.join(RACINE, chemin), encoding="utf-8") as f:
        return f.read().split("\n")


def includes_montants():
    fautes = []
    for chemin in sources():
        ici = couche(chemin)
        for numero, ligne in enumerate(lignes(chemin), 1):
            m = INCLUDE.match(ligne)
            if not m:
                continue
            cible = couche(m.group(1))
            if cible is not None and cible > ici:
                fautes.append(f"{chemin}:{numero}: inclut {m.group(1)}, d'une couche au-dessus")
    return fautes


def trop_longs():
    return [f"{c}: {len(lignes(c)) - 1} lignes (au plus {LIGNES_MAX})"
            for c in sources() if len(lignes(c)) - 1 > LIGNES_MAX]


def sans_chaines(texte):
    """The code without its strings, characters and comments, lines kept."""
    texte = re.sub(r'R"(\w*)\((.|\n)*?\)\1"', lambda m: "\n" * m.group(0).count("\n"), texte)
    texte = re.sub(r'//[^\n]*', "", texte)
    texte = re.sub(r'/\*(.|\n)*?\*/', lambda m: "\n" * m.group(0).count("\n"), texte)
    texte = re.sub(r'"(\\.|[^"\\\n])*"', '""', texte)
    return re.sub(r"'(\\.|[^'\\\n])*'", "''", texte)


def fonctions(chemin):
    """(name, lines) of each function body opened at the level of a namespace."""
    code = sans_chaines("\n".join(lignes(chemin)))
    resultat = []
    profondeur, debut, nom, portees = 0, 0, None, []
    for i, c in enumerate(code):
        if c == "{":
            entete = code[max(0, i - 300):i]
            avant = entete.rstrip()
            fonction = re.search(r"\)\s*(const|override|noexcept|final|\s|->\s*[\w:<>&*, ]+)*$",
                                 avant) and not re.search(r"\b(if|for|while|switch|catch)\s*\([^;{}]*$",
                                                          avant)
            ouverte_ici = not portees or portees[-1] in ("espace", "classe")
            if fonction and ouverte_ici:
                portees.append("fonction")
                m = re.search(r"([\w:~]+)\s*\([^;{}]*\)[^;{}()]*$", avant)
                nom, debut = (m.group(1) if m else "?"), code.count("\n", 0, i)
            elif re.search(r"\b(namespace|extern\s+\"\")[^;{}]*$", avant):
                portees.append("espace")
            elif re.search(r"\b(class|struct|union|enum)\b[^;{}()]*$", avant) and ouverte_ici:
                portees.append("classe")
            else:
                portees.append("bloc")
        elif c == "}" and portees:
            if portees.pop() == "fonction":
                resultat.append((nom, code.count("\n", 0, i) - debut + 1))
    return resultat


def mesures():
    par_dossier = {}
    for chemin in sources():
        dossier = os.path.dirname(chemin)
        n, f = par_dossier.get(dossier, (0, 0))
        par_dossier[dossier] = (n + len(lignes(chemin)) - 1, f + 1)
    total = sum(n for n, _ in par_dossier.values())
    print("Lignes par dossier :")
    for dossier, (n, f) in sorted(par_dossier.items()):
        print(f"  {dossier:<22} {n:>6} lignes  {f:>3} fichiers")
    print(f"  {'total':<22} {total:>6} lignes")
    programme = [c for c in sources() if couche(c) <= COUCHES.index("app")]
    print("Les fichiers les plus longs du programme :")
    for c in sorted(programme, key=lambda c: -len(lignes(c)))[:8]:
        print(f"  {len(lignes(c)) - 1:>5}  {c}")
    print("Les fonctions les plus longues du programme :")
    toutes = [(n, nom, c) for c in programme for nom, n in fonctions(c)]
    for n, nom, c in sorted(toutes, reverse=True)[:10]:
        print(f"  {n:>5}  {nom} ({c})")
    montants = includes_montants()
    print(f"Inclusions qui montent les couches : {len(montants)}")
    for f in montants:
        print("  " + f)


def main():
    if "--mesures" in sys.argv:
        mesures()
        return 0
    fautes = includes_montants() + trop_longs()
    for f in fautes:
        print(f, file=sys.stderr)
    if fautes:
        print(f"architecture : {len(fautes)} faute(s)", file=sys.stderr)
        return 1
    print("architecture : couches et longueurs respectées")
    return 0


if __name__ == "__main__":
    sys.exit(main())
