// The installer's messages in French, ISO 8859-1 encoded: every non-ASCII
// byte is written as an escape. Entries 15, 16, 57 and 58 are the English texts.
#include "setup.h"

// The layout is kept by hand: a literal is split after a hex escape that a hex
// digit follows ("\xf6" "f"), and the two halves stay on one line.
// clang-format off
const char* const NLS_FRENCH[NLS_SETUP_TEXTS] = {
    // 0
    "~e Quitter l'aide",
    // 1
    "~c Sommaire",
    // 2
    "~b Retour",
    // 3
    "ERREUR : impossible d'ouvrir %s",
    // 4
    "Impossible d'\xe9jecter la disquette.\n"
    "Quittez toute autre application (gestionnaire de fichiers, shell) susceptible "
    "d'utiliser le lecteur de disquettes, puis appuyez sur Entr\xe9" "e\n",
    // 5
    "Impossible de d\xe9tecter la disquette.\n",
    // 6
    "Ins\xe9rez la disquette d'installation %i et appuyez sur Entr\xe9" "e",
    // 7
    "\nEntrez le nouveau r\xe9pertoire d'installation [%s] : ",
    // 8
    "Voulez-vous utiliser %s",
    // 9
    "Voulez-vous revenir au menu d'installation",
    // 10
    "Cette entr\xe9" "e doit \xeatre le chemin complet du r\xe9pertoire d'installation.\n",
    // 11
    "Vous devez indiquer un r\xe9pertoire d'installation qui servira",
    // 12
    "\xe0 installer le r\xe9pertoire Zorvo ainsi que ses fichiers et",
    // 13
    "r\xe9pertoires annexes. Cet utilitaire cr\xe9" "era le r\xe9pertoire",
    // 14
    "d'installation s'il n'existe pas encore.",
    // 15
    "\t\t\"wrong number of arguments to interface program\" \\\n",
    // 16
    "\t\t\"consult your system administrator\" \\\n",
    // 17
    "\xe0 cr\xe9" "er le site d'installation. Cet utilitaire cr\xe9" "era le",
    // 18
    "r\xe9pertoire d'installation s'il n'existe pas encore.",
    // 19
    "ERREUR : disquette d'installation 0 introuvable\n",
    // 20
    "\nAttention : d\xe9" "finir un autre r\xe9pertoire d'installation invalidera toutes "
    "les files d'impression d\xe9" "finies [%s]\n ",
    // 21
    "impossible d'ouvrir le fichier %sInstall/disks",
    // 22
    "\nCr\xe9" "ation de la disquette %i ",
    // 23
    "\nIns\xe9rez une disquette format\xe9" "e DOS (%i) et appuyez sur Entr\xe9" "e",
    // 24
    "impossible d'ouvrir le fichier /floppy/floppy0/disks\n",
    // 25
    "Ins\xe9rez la disquette d'installation %i et appuyez sur Entr\xe9" "e\n",
    // 26
    "impossible d'ouvrir le fichier %s/disks\n",
    // 27
    "\nApplication de la configuration\n",
    // 28
    "tout arr\xeater",
    // 29
    "\nP\xe9riph\xe9rique /dev/%s introuvable \n",
    // 30
    "Entrez le nom du client avant de l'enregistrer.\n"
    "Appuyez sur <Entr\xe9" "e> pour continuer",
    // 31
    "\nD\xe9marrage du d\xe9mon d'impression Zorvo.\n",
    // 32
    "\nArr\xeat du d\xe9mon d'impression Zorvo.\n",
    // 33
    "\nSuppression des imprimantes existantes \n",
    // 34
    "Entrez le nom de l'imprimante \xe0 supprimer : ",
    // 35
    "%s est connect\xe9\n"
    "Vous devez \xeatre root pour ex\xe9" "cuter %s\n",
    // 36
    "\nAppuyez sur <Entr\xe9" "e> pour continuer. ",
    // 37
    "\nEntrez le nom de l'imprimante \xe0 supprimer : ",
    // 38
    "%s a \xe9t\xe9 enregistr\xe9. Voulez-vous le mettre \xe0 jour",
    // 39
    "                  la taille totale de offset_files servira \xe0 r\xe9" "duire le "
    "fichier disk1. \n",
    // 40
    "_d\xe9sactiv\xe9,_activ\xe9",
    // 41
    "_Non,_Oui",
    // 42
    "\nR\xe9pertoire d'installation existant [%s]\n ",
    // 43
    "Liste des imprimantes existantes :\n ",
    // 44
    "Liste des imprimantes enregistr\xe9" "es :\n",
    // 45
    "aucun,GUI,TTY",
    // 46
    "_poste de travail vers imprimante,_poste de travail vers serveur "
    "d'impression,_serveur d'impression vers imprimante",
    // 47
    "_TCP/IP,_p\xe9riph\xe9rique local",
    // 48
    "_fonctions par d\xe9" "faut,_s\xe9lection personnalis\xe9" "e des fonctions",
    // 49
    "Il n'y a pas assez d'espace dans %s pour effectuer l'installation. La zone de "
    "travail temporaire doit disposer d'au moins %e octets. Relancez la proc\xe9" "dure "
    "d'installation avec une zone de travail disposant d'assez d'espace. \n"
    "ex. : 1. Utilisez /new_work_area_path \xe0 la place de /tmp\n"
    "      2. Ex\xe9" "cutez `setup /new_work_area_path`\n",
    // 50
    "_aucun,    ,_TTY",
    // 51
    "\nFichiers ppd ppd/* introuvables \n",
    // 52
    "Ins\xe9rez la disquette d'installation %i\n",
    // 53
    "Ins\xe9rez une disquette format\xe9" "e DOS (%i)\n",
    // 54
    "Les paquets suivants doivent \xeatre supprim\xe9s pour garantir une installation "
    "correcte :\n"
    " %s\n"
    "Voulez-vous poursuivre la mise \xe0 niveau",
    // 55
    "Il n'y a pas assez d'espace dans %s pour effectuer l'installation. La zone "
    "d'installation doit disposer d'au moins %e octets. Relancez la proc\xe9" "dure "
    "d'installation avec une zone d'installation disposant d'assez d'espace. \n"
    "ex. : 1. Utilisez /new_install_path \xe0 la place de l'emplacement par d\xe9" "faut\n"
    "      2. Ex\xe9" "cutez 'setup install /new_install_path'\n",
    // 56
    "Il n'y a pas assez d'espace pour effectuer l'installation. Comme vous utilisez un "
    "r\xe9pertoire de travail, %s, situ\xe9 sur la m\xeame partition que le "
    "r\xe9pertoire d'installation choisi, %s, cette installation n\xe9" "cessite %e "
    "octets libres. Relancez l'installation en indiquant un autre emplacement pour le "
    "r\xe9pertoire de travail ou le r\xe9pertoire d'installation. Consultez le fichier "
    "readme si vous avez besoin d'aide sur la syntaxe.",
    // 57
    "",
    // 58
    "setup: ERROR",
    // 59
    "OmbrinD %s arr\xeat\xe9\n",
    // 60
    "impossible d'obtenir la version",
    // 61
    "\nERREUR : vous essayez de charger sur cette machine une version incorrecte du "
    "logiciel Tandrel Services for Unix Systems.\n",
    // 62
    "\nSi un logiciel d'impression %s utilisant le d\xe9mon d'impression OmbrinD\n"
    "est install\xe9, vous devez supprimer toutes vos files d'impression %s avant\n"
    "d'installer ce paquet.\n"
    "\nREMARQUE : OmbrinD se trouve dans <r\xe9pertoire d'installation>/%s/%s\n",
    // 63
    "\nVoulez-vous poursuivre l'installation ? [yn] ",
    // 64
    "Lecture de la disquette %i\n",
    // 65
    "Impossible de d\xe9terminer l'espace n\xe9" "cessaire \xe0 l'installation : isize "
    "est absent.\n",
    // 66
    "\nLes processus suivants sont en cours d'ex\xe9" "cution.\n"
    "Le programme d'installation ne peut pas continuer tant qu'ils ne sont pas "
    "termin\xe9s :\n",
    // 67
    "Que souhaitez-vous faire ?\n",
    // 68
    "1.  Attendre 30 secondes que ces processus se terminent\n",
    // 69
    "2.  Quitter l'installation\n",
    // 70
    "\nEntrez votre choix :  ",
};
// clang-format on
