// Makes the tool speak the user's language: the locale from the environment
// and the tool's gettext domain bound to its catalogs. Without a catalog for
// that language every text stays the English original.
#pragma once

// Runs in main before GTK starts and the UI file is loaded.
void HLQSetUpTranslations();
