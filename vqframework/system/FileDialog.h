// The open and save file dialogs of the desktop, for one caller: it remembers the folder of the last
// chosen file and starts the next dialog there.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/StringArrayT.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>

namespace VQ {

namespace Platform {
struct FileDialogRequest;
}

class LFileDialog : public virtual LRefCountedObject {
public:
    using String = StringT<char16_t, char>;
    using StringArray = StringArrayT<char16_t, char>;

    static RCPtr<LFileDialog> Create(const String& initialFolder);

    // The filter is "description|patterns|description|patterns…" ("Programs (*.rkt4)|*.rkt4"), with
    // ';' between patterns; the default extension has no dot. 0 when the user chose, E_FAIL when the
    // dialog was cancelled or could not be shown.
    VQRESULT ShowOpenDialog(const String& filter, const String& defaultExtension, const String& title,
                            bool multipleSelection);
    // Suggests "Untitled" and asks before replacing a file. E_INVALIDARG for a longest file name of 0;
    // a negative one means no limit. A longer name is refused with an error box and E_FAIL.
    VQRESULT ShowSaveDialog(const String& filter, const String& defaultExtension, const String& title,
                            int32_t longestFileName);

    // The last chosen path (the first of a multiple selection); a cancelled dialog changes nothing.
    String GetFileName() const { return m_file; }
    // The folder of the last chosen file, where the next dialog starts.
    String GetFolderPath() const { return m_folder; }
    // Every path the last successful open dialog chose.
    const StringArray& GetFileNames() const { return m_files; }

private:
    explicit LFileDialog(const String& initialFolder) : m_folder(initialFolder) {}

    // Runs the dialog; false when it was cancelled or failed, or its answer cannot be used.
    bool Choose(const Platform::FileDialogRequest& request, const String& title, StringArray& files);
    void TakeChoice(const String& path);

    String m_file;
    String m_folder;
    StringArray m_files;
};

} // namespace VQ
