// The installer's messages in Italian, ISO 8859-1 encoded: every non-ASCII
// byte is written as an escape. Entries 15, 16, 57 and 58 are the English texts.
#include "setup.h"

// The layout is kept by hand: a literal is split after a hex escape that a hex
// digit follows ("\xf6" "f"), and the two halves stay on one line.
// clang-format off
const char* const NLS_ITALIAN[NLS_SETUP_TEXTS] = {
    // 0
    "~e Esci dalla guida",
    // 1
    "~c Sommario",
    // 2
    "~b Indietro",
    // 3
    "ERRORE: impossibile aprire %s",
    // 4
    "Impossibile espellere il dischetto.\n"
    "Chiudere qualsiasi altra applicazione (file manager, shell) che possa utilizzare "
    "l'unit\xe0 floppy e premere Invio\n",
    // 5
    "Impossibile rilevare il dischetto.\n",
    // 6
    "Inserire il dischetto di installazione %i e premere Invio",
    // 7
    "\nImmettere la nuova directory di installazione [%s]: ",
    // 8
    "Utilizzare %s",
    // 9
    "Tornare al menu di installazione",
    // 10
    "Questa voce deve essere il percorso completo della directory di installazione.\n",
    // 11
    "\xc8 necessario specificare una directory di installazione che verr\xe0 usata",
    // 12
    "per installare la directory Zorvo insieme ai relativi file e",
    // 13
    "directory di supporto. Questa utility creer\xe0 la directory di",
    // 14
    "installazione se non esiste gi\xe0.",
    // 15
    "\t\t\"wrong number of arguments to interface program\" \\\n",
    // 16
    "\t\t\"consult your system administrator\" \\\n",
    // 17
    "per creare il sito di installazione. Questa utility creer\xe0 la",
    // 18
    "directory di installazione se non esiste gi\xe0.",
    // 19
    "ERRORE: impossibile trovare il dischetto di installazione 0\n",
    // 20
    "\nAttenzione: definendo un'altra directory di installazione tutte le code di "
    "stampa definite non saranno pi\xf9 valide [%s]\n ",
    // 21
    "impossibile aprire il file %sInstall/disks",
    // 22
    "\nCreazione del dischetto %i ",
    // 23
    "\nInserire un dischetto formattato DOS (%i) e premere Invio",
    // 24
    "impossibile aprire il file /floppy/floppy0/disks\n",
    // 25
    "Inserire il dischetto di installazione %i e premere Invio\n",
    // 26
    "impossibile aprire il file %s/disks\n",
    // 27
    "\nApplicazione della configurazione\n",
    // 28
    "arresta tutto",
    // 29
    "\nImpossibile trovare il dispositivo /dev/%s \n",
    // 30
    "Immettere il nome del client prima di registrarlo.\n"
    "Premere <Invio> per continuare",
    // 31
    "\nAvvio del daemon di stampa Zorvo.\n",
    // 32
    "\nArresto del daemon di stampa Zorvo.\n",
    // 33
    "\nRimozione delle stampanti esistenti \n",
    // 34
    "Immettere il nome della stampante da rimuovere: ",
    // 35
    "%s ha effettuato l'accesso\n"
    "Per eseguire %s \xe8 necessario essere root\n",
    // 36
    "\nPremere <Invio> per continuare. ",
    // 37
    "\nImmettere il nome della stampante da rimuovere: ",
    // 38
    "%s \xe8 stato salvato. Aggiornarlo",
    // 39
    "                  la dimensione totale di offset_files verr\xe0 usata per ridurre "
    "il file disk1. \n",
    // 40
    "_disattivato,_attivato",
    // 41
    "_No,_S\xec",
    // 42
    "\nDirectory di installazione esistente [%s]\n ",
    // 43
    "Elenco delle stampanti esistenti:\n ",
    // 44
    "Elenco delle stampanti salvate:\n",
    // 45
    "nessuno,GUI,TTY",
    // 46
    "_workstation a stampante,_workstation a server di stampa,_server di stampa a "
    "stampante",
    // 47
    "_TCP/IP,_dispositivo locale",
    // 48
    "_funzionalit\xe0 predefinite,_selezione personalizzata delle funzionalit\xe0",
    // 49
    "Spazio insufficiente in %s per eseguire le operazioni di installazione. L'area di "
    "lavoro temporanea deve disporre di almeno %e byte. Riavviare la procedura di "
    "installazione usando un'area di lavoro con spazio sufficiente. \n"
    "ad es.: 1. Usare /new_work_area_path al posto di /tmp\n"
    "        2. Eseguire `setup /new_work_area_path`\n",
    // 50
    "_nessuno,    ,_TTY",
    // 51
    "\nImpossibile trovare i file ppd ppd/* \n",
    // 52
    "Inserire il dischetto di installazione %i\n",
    // 53
    "Inserire un dischetto formattato DOS (%i)\n",
    // 54
    "Per garantire una corretta installazione \xe8 necessario rimuovere i seguenti "
    "pacchetti:\n"
    " %s\n"
    "Continuare con l'aggiornamento",
    // 55
    "Spazio insufficiente in %s per eseguire le operazioni di installazione. L'area di "
    "installazione deve disporre di almeno %e byte. Riavviare la procedura di "
    "installazione usando un'area di installazione con spazio sufficiente. \n"
    "ad es.: 1. Usare /new_install_path al posto del percorso predefinito\n"
    "        2. Eseguire 'setup install /new_install_path'\n",
    // 56
    "Spazio insufficiente per eseguire le operazioni di installazione. Poich\xe9 si "
    "sta usando una directory di lavoro, %s, nella stessa partizione della directory "
    "di installazione selezionata, %s, questa installazione richiede %e byte liberi. "
    "Eseguire di nuovo l'installazione specificando un percorso diverso per la "
    "directory di lavoro o per la directory di installazione. Per assistenza sulla "
    "sintassi, consultare il file readme.",
    // 57
    "",
    // 58
    "setup: ERROR",
    // 59
    "OmbrinD %s terminato\n",
    // 60
    "impossibile ottenere la versione",
    // 61
    "\nERRORE: si sta tentando di caricare su questo computer una versione errata del "
    "software Tandrel Services for Unix Systems.\n",
    // 62
    "\nSe \xe8 installato un software di stampa %s che usa il daemon di stampa\n"
    "OmbrinD, \xe8 necessario eliminare tutte le code di stampa %s prima di\n"
    "installare questo pacchetto.\n"
    "\nNOTA: OmbrinD si trova in <directory di installazione>/%s/%s\n",
    // 63
    "\nProseguire con l'installazione? [yn] ",
    // 64
    "Lettura del dischetto %i\n",
    // 65
    "Impossibile determinare lo spazio necessario per l'installazione: manca isize.\n",
    // 66
    "\nI seguenti processi sono in esecuzione.\n"
    "L'installazione non pu\xf2 proseguire finch\xe9 non saranno terminati:\n",
    // 67
    "Scegliere un'opzione:\n",
    // 68
    "1.  Attendere 30 secondi che questi processi terminino\n",
    // 69
    "2.  Uscire dall'installazione\n",
    // 70
    "\nImmettere una scelta:  ",
};
// clang-format on
