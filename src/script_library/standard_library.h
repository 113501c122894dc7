#pragma once
// The standard library scripts see beside the system's own declarations, as import
// plug-ins by group. Each group lives in a file of its own (strings_import.cpp,
// math_import.cpp, ...); standardImports() gives them in the order a script window lists
// them.
#include <memory>
#include <vector>

#include "script/script_engine.h"
#include "script_library/script_dialogs.h"
#include "script_library/script_file_names.h"

namespace kelmo::script_library {

std::shared_ptr<script::ImportPlugin> makeExternalRoutinesImport();  // refuses `external`
// The file routines (and TStrings' files) reach the names `names` allows.
std::shared_ptr<script::ImportPlugin> makeClassesImport(const ScriptFileNames& names = {});  // TStrings, TStringList
std::shared_ptr<script::ImportPlugin> makeComObjectsImport();        // refuses COM objects
std::shared_ptr<script::ImportPlugin> makeDateUtilsImport();
std::shared_ptr<script::ImportPlugin> makeStringsImport();
std::shared_ptr<script::ImportPlugin> makeMathImport();
std::shared_ptr<script::ImportPlugin> makeFilesImport(const ScriptFileNames& names = {});
// The dialogs ask through `dialogs`, which must outlive the plug-in.
std::shared_ptr<script::ImportPlugin> makeDialogsImport(ScriptDialogs& dialogs);

// Every group above, in the script window's order.
std::vector<std::shared_ptr<script::ImportPlugin>> standardImports(ScriptDialogs& dialogs,
                                                                  const ScriptFileNames& names = {});

}  // namespace kelmo::script_library
