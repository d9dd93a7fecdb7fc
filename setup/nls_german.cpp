// The installer's messages in German, ISO 8859-1 encoded: every non-ASCII
// byte is written as an escape. Entries 15, 16, 57 and 58 are the English texts.
#include "setup.h"

// The layout is kept by hand: a literal is split after a hex escape that a hex
// digit follows ("\xf6" "f"), and the two halves stay on one line.
// clang-format off
const char* const NLS_GERMAN[NLS_SETUP_TEXTS] = {
    // 0
    "~e Hilfe beenden",
    // 1
    "~c Inhalt",
    // 2
    "~b Zur\xfc" "ck",
    // 3
    "FEHLER: %s konnte nicht ge\xf6" "ffnet werden",
    // 4
    "Die Diskette kann nicht ausgeworfen werden.\n"
    "Bitte beenden Sie alle anderen Anwendungen (Dateimanager, Shell), die das "
    "Diskettenlaufwerk verwenden k\xf6nnten, und dr\xfc" "cken Sie die Eingabetaste\n",
    // 5
    "Die Diskette wird nicht erkannt.\n",
    // 6
    "Bitte legen Sie die Installationsdiskette %i ein und dr\xfc" "cken Sie die "
    "Eingabetaste",
    // 7
    "\nGeben Sie das neue Installationsverzeichnis ein [%s]: ",
    // 8
    "M\xf6" "chten Sie %s verwenden",
    // 9
    "M\xf6" "chten Sie zum Setup-Men\xfc zur\xfc" "ckkehren",
    // 10
    "Dieser Eintrag muss der vollst\xe4ndige Pfad des Installationsverzeichnisses "
    "sein.\n",
    // 11
    "Sie m\xfcssen ein Installationsverzeichnis angeben, das dazu dient,",
    // 12
    "das Zorvo-Verzeichnis mit seinen Hilfsdateien und -verzeichnissen",
    // 13
    "zu installieren. Dieses Programm legt das Installationsverzeichnis",
    // 14
    "an, falls es noch nicht existiert.",
    // 15
    "\t\t\"wrong number of arguments to interface program\" \\\n",
    // 16
    "\t\t\"consult your system administrator\" \\\n",
    // 17
    "den Installationsort anzulegen. Dieses Programm legt das",
    // 18
    "Installationsverzeichnis an, falls es noch nicht existiert.",
    // 19
    "FEHLER: Installationsdiskette 0 nicht gefunden\n",
    // 20
    "\nWarnung: Wenn Sie ein anderes Installationsverzeichnis festlegen, werden alle "
    "eingerichteten Druckwarteschlangen ung\xfcltig [%s]\n ",
    // 21
    "Datei %sInstall/disks kann nicht ge\xf6" "ffnet werden",
    // 22
    "\nDiskette %i wird erstellt ",
    // 23
    "\nBitte legen Sie eine DOS-formatierte Diskette (%i) ein und dr\xfc" "cken Sie die "
    "Eingabetaste",
    // 24
    "Datei /floppy/floppy0/disks kann nicht ge\xf6" "ffnet werden\n",
    // 25
    "Bitte legen Sie die Installationsdiskette %i ein und dr\xfc" "cken Sie die "
    "Eingabetaste\n",
    // 26
    "Datei %s/disks kann nicht ge\xf6" "ffnet werden\n",
    // 27
    "\nKonfiguration wird \xfc" "bernommen\n",
    // 28
    "alle anhalten",
    // 29
    "\nGer\xe4t /dev/%s nicht gefunden \n",
    // 30
    "Geben Sie den Namen des Clients ein, bevor Sie ihn registrieren.\n"
    "Dr\xfc" "cken Sie <Eingabe>, um fortzufahren",
    // 31
    "\nZorvo-Druckd\xe4mon wird gestartet.\n",
    // 32
    "\nZorvo-Druckd\xe4mon wird beendet.\n",
    // 33
    "\nVorhandene Drucker werden entfernt \n",
    // 34
    "Geben Sie den Namen des zu entfernenden Druckers ein: ",
    // 35
    "%s ist angemeldet\n"
    "Sie m\xfcssen als root angemeldet sein, um %s auszuf\xfchren\n",
    // 36
    "\nDr\xfc" "cken Sie <Eingabe>, um fortzufahren. ",
    // 37
    "\nGeben Sie den Namen des zu entfernenden Druckers ein: ",
    // 38
    "%s wurde gespeichert. M\xf6" "chten Sie es aktualisieren",
    // 39
    "                  die Gesamtgr\xf6\xdf" "e von offset_files wird zum Verkleinern der "
    "Datei disk1 verwendet. \n",
    // 40
    "_deaktiviert,_aktiviert",
    // 41
    "_Nein,_Ja",
    // 42
    "\nVorhandenes Installationsverzeichnis [%s]\n ",
    // 43
    "Liste der vorhandenen Drucker:\n ",
    // 44
    "Liste der gespeicherten Drucker:\n",
    // 45
    "keine,GUI,TTY",
    // 46
    "_Arbeitsplatzrechner an Drucker,_Arbeitsplatzrechner an Druckserver,_Druckserver "
    "an Drucker",
    // 47
    "_TCP/IP,_lokales Ger\xe4t",
    // 48
    "_Standardfunktionen,_benutzerdefinierte Funktionsauswahl",
    // 49
    "In %s ist nicht genug Speicherplatz f\xfcr die Installation vorhanden. Der "
    "tempor\xe4re Arbeitsbereich sollte mindestens %e Byte gro\xdf sein. Starten Sie "
    "die Installation erneut mit einem Arbeitsbereich, der genug Platz bietet. \n"
    "z. B.: 1. Verwenden Sie /new_work_area_path anstelle von /tmp\n"
    "       2. F\xfchren Sie `setup /new_work_area_path` aus\n",
    // 50
    "_keine,    ,_TTY",
    // 51
    "\nPPD-Dateien ppd/* nicht gefunden \n",
    // 52
    "Bitte legen Sie die Installationsdiskette %i ein\n",
    // 53
    "Bitte legen Sie eine DOS-formatierte Diskette (%i) ein\n",
    // 54
    "Die folgenden Pakete m\xfcssen entfernt werden, damit die Installation "
    "einwandfrei verl\xe4uft:\n"
    " %s\n"
    "M\xf6" "chten Sie mit der Aktualisierung fortfahren",
    // 55
    "In %s ist nicht genug Speicherplatz f\xfcr die Installation vorhanden. Der "
    "Installationsbereich sollte mindestens %e Byte gro\xdf sein. Starten Sie die "
    "Installation erneut mit einem Installationsbereich, der genug Platz bietet. \n"
    "z. B.: 1. Verwenden Sie /new_install_path anstelle des Standardorts\n"
    "       2. F\xfchren Sie 'setup install /new_install_path' aus\n",
    // 56
    "Es ist nicht genug Speicherplatz f\xfcr die Installation vorhanden. Da Sie ein "
    "Arbeitsverzeichnis, %s, auf derselben Partition wie das gew\xe4hlte "
    "Installationsverzeichnis, %s, verwenden, ben\xf6tigt diese Installation %e Byte "
    "freien Speicher. Bitte starten Sie die Installation erneut und geben Sie einen "
    "anderen Ort f\xfcr das Arbeitsverzeichnis oder das Installationsverzeichnis an. "
    "Hilfe zur Syntax finden Sie in der Readme-Datei.",
    // 57
    "",
    // 58
    "setup: ERROR",
    // 59
    "OmbrinD %s beendet\n",
    // 60
    "Version konnte nicht ermittelt werden",
    // 61
    "\nFEHLER: Sie versuchen, eine falsche Version der Software Tandrel Services for "
    "Unix Systems auf diesen Rechner zu laden.\n",
    // 62
    "\nWenn derzeit Druckersoftware von %s installiert ist, die den Druckd\xe4mon\n"
    "OmbrinD verwendet, m\xfcssen Sie vor der Installation dieses Pakets alle\n"
    "Druckwarteschlangen von %s l\xf6schen.\n"
    "\nHINWEIS: OmbrinD befindet sich in <Installationsverzeichnis>/%s/%s\n",
    // 63
    "\nM\xf6" "chten Sie mit der Installation fortfahren? [yn] ",
    // 64
    "Diskette %i wird gelesen\n",
    // 65
    "Der f\xfcr die Installation ben\xf6tigte Speicherplatz kann nicht ermittelt "
    "werden, isize fehlt.\n",
    // 66
    "\nDie folgenden Prozesse laufen.\n"
    "Das Installationsprogramm kann erst fortfahren, wenn sie beendet sind:\n",
    // 67
    "Was m\xf6" "chten Sie tun?\n",
    // 68
    "1.  30 Sekunden warten, bis diese Prozesse beendet sind\n",
    // 69
    "2.  Installation abbrechen\n",
    // 70
    "\nGeben Sie Ihre Auswahl ein:  ",
};
// clang-format on
