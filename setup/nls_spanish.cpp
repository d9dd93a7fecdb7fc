// The installer's messages in Spanish, ISO 8859-1 encoded: every non-ASCII
// byte is written as an escape. Entries 15, 16, 57 and 58 are the English texts.
#include "setup.h"

// The layout is kept by hand: a literal is split after a hex escape that a hex
// digit follows ("\xf6" "f"), and the two halves stay on one line.
// clang-format off
const char* const NLS_SPANISH[NLS_SETUP_TEXTS] = {
    // 0
    "~e Salir de la ayuda",
    // 1
    "~c Contenido",
    // 2
    "~b Atr\xe1s",
    // 3
    "ERROR: no se pudo abrir %s",
    // 4
    "No se puede expulsar el disquete.\n"
    "Cierre cualquier otra aplicaci\xf3n (administrador de archivos, shell) que pueda "
    "estar usando la disquetera y pulse Intro\n",
    // 5
    "No se puede detectar el disquete.\n",
    // 6
    "Inserte el disquete de instalaci\xf3n %i y pulse Intro",
    // 7
    "\nIntroduzca el nuevo directorio de instalaci\xf3n [%s]: ",
    // 8
    "\xbf" "Desea usar %s",
    // 9
    "\xbf" "Desea volver al men\xfa de instalaci\xf3n",
    // 10
    "Esta entrada debe ser la ruta completa del directorio de instalaci\xf3n.\n",
    // 11
    "Debe indicar un directorio de instalaci\xf3n que se utilizar\xe1",
    // 12
    "para instalar el directorio Zorvo junto con sus archivos y",
    // 13
    "directorios auxiliares. Esta utilidad crear\xe1 el directorio de",
    // 14
    "instalaci\xf3n si a\xfan no existe.",
    // 15
    "\t\t\"wrong number of arguments to interface program\" \\\n",
    // 16
    "\t\t\"consult your system administrator\" \\\n",
    // 17
    "para crear la ubicaci\xf3n de instalaci\xf3n. Esta utilidad crear\xe1 el",
    // 18
    "directorio de instalaci\xf3n si a\xfan no existe.",
    // 19
    "ERROR: no se encuentra el disquete de instalaci\xf3n 0\n",
    // 20
    "\nAviso: si define otro directorio de instalaci\xf3n, se invalidar\xe1n todas las "
    "colas de impresi\xf3n definidas [%s]\n ",
    // 21
    "no se puede abrir el archivo %sInstall/disks",
    // 22
    "\nCreando el disquete %i ",
    // 23
    "\nInserte un disquete con formato DOS (%i) y pulse Intro",
    // 24
    "no se puede abrir el archivo /floppy/floppy0/disks\n",
    // 25
    "Inserte el disquete de instalaci\xf3n %i y pulse Intro\n",
    // 26
    "no se puede abrir el archivo %s/disks\n",
    // 27
    "\nAplicando la configuraci\xf3n\n",
    // 28
    "detener todo",
    // 29
    "\nNo se encuentra el dispositivo /dev/%s \n",
    // 30
    "Introduzca el nombre del cliente antes de registrarlo.\n"
    "Pulse <Intro> para continuar",
    // 31
    "\nIniciando el daemon de impresi\xf3n de Zorvo.\n",
    // 32
    "\nDeteniendo el daemon de impresi\xf3n de Zorvo.\n",
    // 33
    "\nEliminando las impresoras existentes \n",
    // 34
    "Introduzca el nombre de la impresora que desea eliminar: ",
    // 35
    "%s ha iniciado sesi\xf3n\n"
    "Debe ser root para ejecutar %s\n",
    // 36
    "\nPulse <Intro> para continuar. ",
    // 37
    "\nIntroduzca el nombre de la impresora que desea eliminar: ",
    // 38
    "%s se ha guardado. \xbf" "Desea actualizarlo",
    // 39
    "                  el tama\xf1o total de offset_files se usar\xe1 para reducir el "
    "archivo disk1. \n",
    // 40
    "_desactivado,_activado",
    // 41
    "_No,_S\xed",
    // 42
    "\nDirectorio de instalaci\xf3n existente [%s]\n ",
    // 43
    "Lista de impresoras existentes:\n ",
    // 44
    "Lista de impresoras guardadas:\n",
    // 45
    "ninguno,GUI,TTY",
    // 46
    "_estaci\xf3n de trabajo a impresora,_estaci\xf3n de trabajo a servidor de "
    "impresi\xf3n,_servidor de impresi\xf3n a impresora",
    // 47
    "_TCP/IP,_dispositivo local",
    // 48
    "_funciones predeterminadas,_selecci\xf3n personalizada de funciones",
    // 49
    "No hay espacio suficiente en %s para llevar a cabo la instalaci\xf3n. El \xe1rea "
    "de trabajo temporal debe tener al menos %e bytes. Reinicie el procedimiento de "
    "instalaci\xf3n con un \xe1rea de trabajo que tenga espacio suficiente. \n"
    "p. ej.: 1. Use /new_work_area_path en lugar de /tmp\n"
    "        2. Ejecute `setup /new_work_area_path`\n",
    // 50
    "_ninguno,    ,_TTY",
    // 51
    "\nNo se encuentran los archivos ppd ppd/* \n",
    // 52
    "Inserte el disquete de instalaci\xf3n %i\n",
    // 53
    "Inserte un disquete con formato DOS (%i)\n",
    // 54
    "Para garantizar una instalaci\xf3n correcta, deben eliminarse los siguientes "
    "paquetes:\n"
    " %s\n"
    "\xbf" "Desea continuar con la actualizaci\xf3n",
    // 55
    "No hay espacio suficiente en %s para llevar a cabo la instalaci\xf3n. El \xe1rea "
    "de instalaci\xf3n debe tener al menos %e bytes. Reinicie el procedimiento de "
    "instalaci\xf3n con un \xe1rea de instalaci\xf3n que tenga espacio suficiente. \n"
    "p. ej.: 1. Use /new_install_path en lugar de la ubicaci\xf3n predeterminada\n"
    "        2. Ejecute 'setup install /new_install_path'\n",
    // 56
    "No hay espacio suficiente para llevar a cabo la instalaci\xf3n. Como est\xe1 "
    "usando un directorio de trabajo, %s, en la misma partici\xf3n que el directorio "
    "de instalaci\xf3n seleccionado, %s, esta instalaci\xf3n requiere %e bytes libres. "
    "Vuelva a ejecutar la instalaci\xf3n indicando otra ubicaci\xf3n para el "
    "directorio de trabajo o para el directorio de instalaci\xf3n. Consulte el archivo "
    "readme si necesita ayuda con la sintaxis.",
    // 57
    "",
    // 58
    "setup: ERROR",
    // 59
    "OmbrinD %s finalizado\n",
    // 60
    "no se pudo obtener la versi\xf3n",
    // 61
    "\nERROR: Est\xe1 intentando cargar en este equipo una versi\xf3n incorrecta del "
    "software Tandrel Services for Unix Systems.\n",
    // 62
    "\nSi tiene instalado software de impresi\xf3n de %s que utiliza el daemon de\n"
    "impresi\xf3n OmbrinD, debe eliminar todas sus colas de impresi\xf3n de %s antes\n"
    "de instalar este paquete.\n"
    "\nNOTA: OmbrinD se encuentra en <directorio de instalaci\xf3n>/%s/%s\n",
    // 63
    "\n\xbf" "Desea continuar con la instalaci\xf3n? [sn] ",
    // 64
    "Leyendo el disquete %i\n",
    // 65
    "No se pudo determinar el espacio necesario para la instalaci\xf3n: falta isize.\n",
    // 66
    "\nLos siguientes procesos est\xe1n en ejecuci\xf3n.\n"
    "El instalador no puede continuar hasta que terminen:\n",
    // 67
    "\xbfQu\xe9 desea hacer?\n",
    // 68
    "1.  Esperar 30 segundos a que terminen estos procesos\n",
    // 69
    "2.  Salir de la instalaci\xf3n\n",
    // 70
    "\nSeleccione una opci\xf3n:  ",
};
// clang-format on
