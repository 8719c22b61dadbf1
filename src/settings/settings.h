// The user's last choices, kept in "pulsorel.cfg" in the working directory.
#ifndef PULSOREL_SETTINGS_H
#define PULSOREL_SETTINGS_H

#define SETTINGS_FILE "pulsorel.cfg"

void loadSettings(void);
void saveSettings(void);

#endif
