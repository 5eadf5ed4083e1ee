/* Resource identifiers shared by the resource script and the code (plain C for the compiler). */
#pragma once

/* The program icon: the first icon resource, so it is also the executable's icon. */
#define ROZOVEVI_ICON_ID 1
