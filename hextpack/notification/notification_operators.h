#ifndef NOTIFICATION_OPERATORS_H
#define NOTIFICATION_OPERATORS_H

#include "halcon_interface.h"

// Entry functions HALCON calls for the package's operators; HALCON learns
// their names and addresses from the operator table.
Herror CMessageBox(Hproc_handle proc);
Herror CSetTrayIconContextMenu(Hproc_handle proc);
Herror CDisplayBalloonImage(Hproc_handle proc);
Herror CDisplayBalloon(Hproc_handle proc);
Herror CClearAllTrayIcons(Hproc_handle proc);
Herror CClearTrayIcon(Hproc_handle proc);
Herror CCreateTrayIconImage(Hproc_handle proc);
Herror CCreateTrayIcon(Hproc_handle proc);
Herror CBeep(Hproc_handle proc);

#endif
