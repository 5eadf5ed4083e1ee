/* Resource identifiers shared by the resource script and the code (plain C for both compilers). */
#ifndef ROZOVEVI_APP_WIN32_RESOURCE_IDS_H
#define ROZOVEVI_APP_WIN32_RESOURCE_IDS_H

/* The program icon: the first icon resource, so it is also the executable's icon. */
#define ROZOVEVI_ICON_ID 1

#endif
