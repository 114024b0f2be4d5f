/* The board settings table and its persistence in the driver's service key. */
#ifndef DORVIK_APPLET_SETTINGS_H
#define DORVIK_APPLET_SETTINGS_H

#ifdef __cplusplus
extern "C" {
#endif

/* Fills all 16 board settings from the registry. */
void LoadSettings(void);

/* Deletes the driver's registry tree and writes it again from the table. */
void SaveSettings(void);

#ifdef __cplusplus
}
#endif

#endif
