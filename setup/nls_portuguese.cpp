// The installer's messages in Portuguese, ISO 8859-1 encoded: every non-ASCII
// byte is written as an escape. Entries 15, 16, 57 and 58 are the English texts.
#include "setup.h"

// The layout is kept by hand: a literal is split after a hex escape that a hex
// digit follows ("\xf6" "f"), and the two halves stay on one line.
// clang-format off
const char* const NLS_PORTUGUESE[NLS_SETUP_TEXTS] = {
    // 0
    "~e Sair da ajuda",
    // 1
    "~c Conte\xfa" "do",
    // 2
    "~b Voltar",
    // 3
    "ERRO: n\xe3o foi poss\xedvel abrir %s",
    // 4
    "N\xe3o foi poss\xedvel ejetar o disquete.\n"
    "Feche qualquer outro aplicativo (gerenciador de arquivos, shell) que possa estar "
    "usando a unidade de disquete e pressione Enter\n",
    // 5
    "N\xe3o foi poss\xedvel detectar o disquete.\n",
    // 6
    "Insira o disquete de instala\xe7\xe3o %i e pressione Enter",
    // 7
    "\nInforme o novo diret\xf3rio de instala\xe7\xe3o [%s]: ",
    // 8
    "Deseja usar %s",
    // 9
    "Deseja voltar ao menu de instala\xe7\xe3o",
    // 10
    "Esta entrada deve ser o caminho completo do diret\xf3rio de instala\xe7\xe3o.\n",
    // 11
    "Voc\xea deve especificar um diret\xf3rio de instala\xe7\xe3o que ser\xe1 usado",
    // 12
    "para instalar o diret\xf3rio Zorvo junto com seus arquivos e",
    // 13
    "diret\xf3rios de suporte. Este utilit\xe1rio criar\xe1 o diret\xf3rio de",
    // 14
    "instala\xe7\xe3o caso ele ainda n\xe3o exista.",
    // 15
    "\t\t\"wrong number of arguments to interface program\" \\\n",
    // 16
    "\t\t\"consult your system administrator\" \\\n",
    // 17
    "para criar o local de instala\xe7\xe3o. Este utilit\xe1rio criar\xe1 o",
    // 18
    "diret\xf3rio de instala\xe7\xe3o caso ele ainda n\xe3o exista.",
    // 19
    "ERRO: n\xe3o foi poss\xedvel localizar o disquete de instala\xe7\xe3o 0\n",
    // 20
    "\nAviso: definir outro diret\xf3rio de instala\xe7\xe3o invalidar\xe1 todas as "
    "filas de impress\xe3o definidas [%s]\n ",
    // 21
    "n\xe3o foi poss\xedvel abrir o arquivo %sInstall/disks",
    // 22
    "\nCriando o disquete %i ",
    // 23
    "\nInsira um disquete formatado em DOS (%i) e pressione Enter",
    // 24
    "n\xe3o foi poss\xedvel abrir o arquivo /floppy/floppy0/disks\n",
    // 25
    "Insira o disquete de instala\xe7\xe3o %i e pressione Enter\n",
    // 26
    "n\xe3o foi poss\xedvel abrir o arquivo %s/disks\n",
    // 27
    "\nAplicando a configura\xe7\xe3o\n",
    // 28
    "parar tudo",
    // 29
    "\nN\xe3o foi poss\xedvel localizar o dispositivo /dev/%s \n",
    // 30
    "Informe o nome do cliente antes de registr\xe1-lo.\n"
    "Pressione <Enter> para continuar",
    // 31
    "\nIniciando o daemon de impress\xe3o Zorvo.\n",
    // 32
    "\nParando o daemon de impress\xe3o Zorvo.\n",
    // 33
    "\nRemovendo as impressoras existentes \n",
    // 34
    "Informe o nome da impressora a ser removida: ",
    // 35
    "%s est\xe1 conectado\n"
    "Voc\xea precisa ser root para executar %s\n",
    // 36
    "\nPressione <Enter> para continuar. ",
    // 37
    "\nInforme o nome da impressora a ser removida: ",
    // 38
    "%s foi salvo. Deseja atualiz\xe1-lo",
    // 39
    "                  o tamanho total de offset_files ser\xe1 usado para reduzir o "
    "arquivo disk1. \n",
    // 40
    "_desativado,_ativado",
    // 41
    "_N\xe3o,_Sim",
    // 42
    "\nDiret\xf3rio de instala\xe7\xe3o existente [%s]\n ",
    // 43
    "Lista de impressoras existentes:\n ",
    // 44
    "Lista de impressoras salvas:\n",
    // 45
    "nenhum,GUI,TTY",
    // 46
    "_esta\xe7\xe3o de trabalho para impressora,_esta\xe7\xe3o de trabalho para "
    "servidor de impress\xe3o,_servidor de impress\xe3o para impressora",
    // 47
    "_TCP/IP,_dispositivo local",
    // 48
    "_recursos padr\xe3o,_sele\xe7\xe3o personalizada de recursos",
    // 49
    "N\xe3o h\xe1 espa\xe7o suficiente em %s para realizar a instala\xe7\xe3o. A "
    "\xe1rea de trabalho tempor\xe1ria deve ter pelo menos %e bytes. Reinicie o "
    "procedimento de instala\xe7\xe3o usando uma \xe1rea de trabalho com espa\xe7o "
    "suficiente. \n"
    "ex.: 1. Use /new_work_area_path no lugar de /tmp\n"
    "     2. Execute `setup /new_work_area_path`\n",
    // 50
    "_nenhum,    ,_TTY",
    // 51
    "\nN\xe3o foi poss\xedvel localizar os arquivos ppd ppd/* \n",
    // 52
    "Insira o disquete de instala\xe7\xe3o %i\n",
    // 53
    "Insira um disquete formatado em DOS (%i)\n",
    // 54
    "Os seguintes pacotes devem ser removidos para garantir a instala\xe7\xe3o "
    "correta:\n"
    " %s\n"
    "Deseja continuar com a atualiza\xe7\xe3o",
    // 55
    "N\xe3o h\xe1 espa\xe7o suficiente em %s para realizar a instala\xe7\xe3o. A "
    "\xe1rea de instala\xe7\xe3o deve ter pelo menos %e bytes. Reinicie o procedimento "
    "de instala\xe7\xe3o usando uma \xe1rea de instala\xe7\xe3o com espa\xe7o "
    "suficiente. \n"
    "ex.: 1. Use /new_install_path no lugar do local padr\xe3o\n"
    "     2. Execute 'setup install /new_install_path'\n",
    // 56
    "N\xe3o h\xe1 espa\xe7o suficiente para realizar a instala\xe7\xe3o. Como voc\xea "
    "est\xe1 usando um diret\xf3rio de trabalho, %s, na mesma parti\xe7\xe3o do "
    "diret\xf3rio de instala\xe7\xe3o selecionado, %s, esta instala\xe7\xe3o requer %e "
    "bytes livres. Execute a instala\xe7\xe3o novamente especificando outro local para "
    "o diret\xf3rio de trabalho ou para o diret\xf3rio de instala\xe7\xe3o. Consulte o "
    "arquivo readme se precisar de ajuda com a sintaxe.",
    // 57
    "",
    // 58
    "setup: ERROR",
    // 59
    "OmbrinD %s encerrado\n",
    // 60
    "n\xe3o foi poss\xedvel obter a vers\xe3o",
    // 61
    "\nERRO: voc\xea est\xe1 tentando carregar nesta m\xe1quina uma vers\xe3o "
    "incorreta do software Tandrel Services for Unix Systems.\n",
    // 62
    "\nSe voc\xea tem instalado um software de impress\xe3o %s que usa o daemon de\n"
    "impress\xe3o OmbrinD, \xe9 necess\xe1rio excluir todas as suas filas de "
    "impress\xe3o %s\n"
    "antes de instalar este pacote.\n"
    "\nOBSERVA\xc7\xc3O: OmbrinD est\xe1 localizado em <diret\xf3rio de "
    "instala\xe7\xe3o>/%s/%s\n",
    // 63
    "\nDeseja continuar com a instala\xe7\xe3o? [yn] ",
    // 64
    "Lendo o disquete %i\n",
    // 65
    "N\xe3o foi poss\xedvel determinar o espa\xe7o necess\xe1rio para a "
    "instala\xe7\xe3o: isize ausente.\n",
    // 66
    "\nOs seguintes processos est\xe3o em execu\xe7\xe3o.\n"
    "O instalador n\xe3o pode continuar at\xe9 que eles terminem:\n",
    // 67
    "O que deseja fazer?\n",
    // 68
    "1.  Aguardar 30 segundos at\xe9 que esses processos terminem\n",
    // 69
    "2.  Sair da instala\xe7\xe3o\n",
    // 70
    "\nDigite uma op\xe7\xe3o:  ",
};
// clang-format on
