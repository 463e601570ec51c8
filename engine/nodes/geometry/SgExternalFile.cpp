#include "engine/nodes/geometry/SgExternalFile.h"

#include <array>

#include "engine/core/SgAction.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgState.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "platform/SgDiagnostics.h"

SG_CLASS_SOURCE(SgExternalFile, SgGeometricShape, SgFieldMngr, "SgExternalFile")

namespace {

struct FormatTable {
    std::array<std::string, SgExternalFile::kMaxFormats> keys;
    std::array<SgExternalFile::Importer, SgExternalFile::kMaxFormats> importers{};
    int count = 0;
};

FormatTable &Formats()
{
    static FormatTable table;
    return table;
}

std::string LowerExtension(const std::string &name)
{
    const size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? name : name.substr(dot + 1);
    for (char &c : extension)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return extension;
}

} // namespace

bool SgExternalFile::AddFormat(const char *key, Importer importer)
{
    FormatTable &table = Formats();
    const std::string name = key ? key : "";
    if (name.empty() || name.size() > size_t(kMaxKeyLength)) {
        SgDiagWarning("ExternalFile", "the format key \"%s\" is not registered: a key holds 1 to %d characters",
                      name.c_str(), kMaxKeyLength);
        return false;
    }
    for (int i = 0; i < table.count; ++i) {
        if (table.keys[size_t(i)] == name) {
            table.importers[size_t(i)] = importer;
            return true;
        }
    }
    if (table.count >= kMaxFormats) {
        SgDiagWarning("ExternalFile", "the format key \"%s\" is not registered: the table holds %d formats already",
                      name.c_str(), kMaxFormats);
        return false;
    }
    table.keys[size_t(table.count)] = name;
    table.importers[size_t(table.count)] = importer;
    ++table.count;
    return true;
}

int SgExternalFile::GetFormatCount()
{
    return Formats().count;
}

void SgExternalFile::ClearFormats()
{
    Formats() = FormatTable();
}

int SgExternalFile::ChooseFormat(const std::string &filename, const std::string &type)
{
    const FormatTable &table = Formats();
    if (table.count == 0)
        return -1;
    const std::string extension = LowerExtension(filename);
    int chosen = -1;
    for (int i = 0; i < table.count; ++i) {
        const std::string &key = table.keys[size_t(i)];
        if (key == type || key == extension)
            chosen = i;
    }
    return chosen < 0 ? 0 : chosen;
}

std::string SgExternalFile::FormatOf(const std::string &filename, const std::string &type)
{
    return type.empty() ? LowerExtension(filename) : type;
}

bool SgExternalFile::IsRemoteName(const std::string &name)
{
    return name.rfind("http://", 0) == 0 || name.rfind("https://", 0) == 0 || name.rfind("www.", 0) == 0;
}

SgExternalFile::SgExternalFile()
{
    AddField(m_filename, "filename");
    AddField(m_type, "type");
}

void SgExternalFile::OnChange(SgField *field)
{
    if (field == &m_filename)
        m_localFile.clear();
    SgGeometricShape::OnChange(field);
}

void SgExternalFile::SetLocalFile(const std::string &path)
{
    m_localFile = path;
    ClearResultCache();
}

std::string SgExternalFile::ResolveLocal() const
{
    if (!m_localFile.empty())
        return m_localFile;
    const std::string name = m_filename.Get(true);
    return IsRemoteName(name) ? std::string() : name;
}

void SgExternalFile::DoAction(SgAction *action)
{
    if (!action)
        return;
    SgState *state = action->GetState();
    ExtendStateContext(state);
    if (!CompareResultCache(state) || !GetResultCache()) {
        const int depth = state->GetDepth();
        action->PushState();
        SgRef<SgShape> result;
        const int format = ChooseFormat(m_filename.Get(true), m_type.Get(true));
        const Importer importer = format >= 0 ? Formats().importers[size_t(format)] : nullptr;
        const std::string local = ResolveLocal();
        if (importer && !local.empty()) {
            try {
                SgRef<SgNode> imported = importer(local.c_str(), GetDocument(), kImportScale);
                if (auto *shape = dynamic_cast<SgShape *>(imported.get()))
                    result = shape;
                else if (!imported)
                    SgDiagWarning("ExternalFile", "%s: the %s importer read nothing; the shape is left empty",
                                  local.c_str(), FormatOf(m_filename.Get(true), m_type.Get(true)).c_str());
                else if (imported)
                    SgDiagWarning("ExternalFile", "%s: the importer gave a %s, not a shape; the shape is left empty",
                                  local.c_str(), imported->GetClassName());
            } catch (const std::exception &error) {
                SgDiagError("ExternalFile", "%s could not be imported: %s", local.c_str(), error.what());
            }
        }
        if (!result)
            result = new SgIndexedFaceSet;
        while (state->GetDepth() > depth)
            action->PopState();
        SetResultCache(result.get(), action);
    }
    TraverseShapeResult(action, this);
}
