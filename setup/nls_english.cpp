// The installer's messages in English. Entry n of every language's table is
// the same message, with the same printf directives in the same order.
#include "setup.h"

const char* const NLS_ENGLISH[NLS_SETUP_TEXTS] = {
    // 0
    "~e Exit Help",
    // 1
    "~c Contents",
    // 2
    "~b Back",
    // 3
    "ERROR: couldn't open %s",
    // 4
    "Unable to eject diskette.\n"
    "Please exit out of any other application (filemanager, shell) that may be using "
    "the floppy drive. and press enter\n",
    // 5
    "Unable to detect the diskette.\n",
    // 6
    "Please insert install diskette %i and press enter",
    // 7
    "\nEnter the new installation directory [%s]: ",
    // 8
    "Do you want to use %s",
    // 9
    "Do you want to return to Setup Menu",
    // 10
    "This entry must be a full path to the installation directory.\n",
    // 11
    "You must specify an installation directory which will be used",
    // 12
    "to install the Zorvo directory along with its support files and",
    // 13
    "directories. This utility will create the install directory",
    // 14
    "if it doesn't already exist.",
    // 15
    "\t\t\"wrong number of arguments to interface program\" \\\n",
    // 16
    "\t\t\"consult your system administrator\" \\\n",
    // 17
    "to create the installation site. This utility will create the",
    // 18
    "install directory if it doesn't already exist.",
    // 19
    "ERROR: can't locate install diskette 0\n",
    // 20
    "\nWarning defining another installation directory will invalidate any defined "
    "print queues [%s]\n ",
    // 21
    "can't open file, %sInstall/disks",
    // 22
    "\nCreating diskette %i ",
    // 23
    "\nPlease insert DOS formatted diskette (%i) and press enter",
    // 24
    "can't open file, /floppy/floppy0/disks\n",
    // 25
    "Please insert install diskette %i and press enter\n",
    // 26
    "can't open file, %s/disks\n",
    // 27
    "\nImplementing configuration\n",
    // 28
    "stop all",
    // 29
    "\nUnable to locate device /dev/%s \n",
    // 30
    "Enter the client's name before registering it.\n"
    "Press <Return> to continue",
    // 31
    "\nStarting Zorvo print daemon.\n",
    // 32
    "\nStopping Zorvo print daemon.\n",
    // 33
    "\nRemoving Existing Printers \n",
    // 34
    "Enter the name of the printer to remove: ",
    // 35
    "%s is logged in\n"
    "You must become root to run %s\n",
    // 36
    "\nPress <Return> to continue. ",
    // 37
    "\nEnter the name of the printer to remove: ",
    // 38
    "%s has been saved. Do want to update it",
    // 39
    "                  offset_files size total will be used to reduce disk1 file. \n",
    // 40
    "_disabled,_enabled",
    // 41
    "_No,_Yes",
    // 42
    "\nExisting installation directory [%s]\n ",
    // 43
    "Existing printer list:\n ",
    // 44
    "Saved printer list:\n",
    // 45
    "none,GUI,TTY",
    // 46
    "_workstation to printer,_workstation to print server,_print server to printer",
    // 47
    "_TCP/IP,_local device",
    // 48
    "_default features,_custom feature selection",
    // 49
    "There isn't enough space in %s to perform the installation activities. The "
    "temporary work area should be at least %e bytes. Restart the installation "
    "procedure using a work area that has enough space. \n"
    "ie: 1. Use /new_work_area_path in place of /tmp\n"
    "    2. Run `setup /new_work_area_path`\n",
    // 50
    "_none,    ,_TTY",
    // 51
    "\nUnable to locate ppd files ppd/* \n",
    // 52
    "Please insert install diskette %i\n",
    // 53
    "Please insert DOS formatted diskette (%i)\n",
    // 54
    "The following packages must be removed to insure proper installation:\n"
    " %s\n"
    "Do want to continue with the upgrade",
    // 55
    "There isn't enough space in %s to perform the installation activities. The "
    "install area should be at least %e bytes. Restart the installation procedure "
    "using an install area that has enough space. \n"
    "ie: 1. Use /new_install_path in place of the default location\n"
    "    2. Run 'setup install /new_install_path'\n",
    // 56
    "There isn't enough space to perform the installation activities. As you are using "
    "a working directory, %s on the same partition as the install directory you have "
    "selected, %s this install requires %e bytes free. Please re-run the install "
    "specifing a different location for a working directory or install directory. "
    "Please see the readme if you need help with the syntax.",
    // 57
    "",
    // 58
    "setup: ERROR",
    // 59
    "killed OmbrinD %s\n",
    // 60
    "failed ts get version",
    // 61
    "\nERROR: You are trying to load the wrong version of the Tandrel Services for "
    "Unix Systems software to this machine.\n",
    // 62
    "\nIf you currently have %s printer software installed that uses OmbrinD\n"
    "print daemon, you must delete all your %s print queues prior to installing\n"
    "this package.\n"
    "\nNOTE: OmbrinD is located in <install directory>/%s/%s\n",
    // 63
    "\nDo You want to continue with the installation? [yn] ",
    // 64
    "Reading diskette %i\n",
    // 65
    "Could not determine how much space needed for install, missing isize.\n",
    // 66
    "\nThe following processes are running.\n"
    "The installer can not continue until these terminate:\n",
    // 67
    "Would you like to:\n",
    // 68
    "1.  Wait 30 seconds for these processes to terminate\n",
    // 69
    "2.  Quit the installation\n",
    // 70
    "\nEnter a selection:  ",
};
