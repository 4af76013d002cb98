#include "TarnPlugin_Scope.h"

void TarnPlugin_Scope::slotExportScopeFile() {}

void TarnPlugin_Scope::slotImportScopeFile() {}
