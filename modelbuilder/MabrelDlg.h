#pragma once
// The parametric-model builder without the toolkit: it creates a model
// around the selected object (or opens the selected model), adds typed
// parameters with defaults, connects them to fields picked in the scene (the
// document's list of selected fields, which a double click in the scene
// tree fills) and edits the formulas of single fields and the model's own
// three scripts. Every change goes into the model at once; OK and Cancel
// only close.
//
//   MabrelDlg builder(document);            // a selection in place
//   builder.SetListener(&view);             // the window mirrors its state
//   builder.OnInitDialog();                 // the model and its tree
//   builder.SetNameText("w");               // what the user types
//   builder.SetDefaultText("1.5");
//   builder.SelectType(builder.FindType("SgFDouble"));
//   builder.OnButtonAddparam();             // "Add "
//   builder.SelectItem(parameterItem);
//   document->AddToSelectedFieldsList(&cube->m_height, 0);
//   builder.OnButtonConnect();              // "Connect"
#include <string>
#include <vector>

#include "dialogs/CCadDlg.h"
#include "engine/core/SgRef.h"
#include "modelbuilder/CParamListTree.h"
#include "modelbuilder/MabrelExport.h"

class SgField;
class SgFieldMngr;
class SgPMParam;
class SgParametricModel;

class MABREL_API MabrelDlg : public CCadDlg {
public:
    static constexpr unsigned kDialogId = 1000;
    // The first field class id: the type list maps to ids through its own table.
    static constexpr int kFieldClassBase = 20000;
    // The model's own scripts, in the order of the script list.
    enum ModelScript { kControlPoint = 0, kBasePoint = 1, kSetParameter = 2 };
    static constexpr const char *kModelScriptNames[3] = {"Control Point", "Base Point", "Set Parameter"};
    static constexpr const char *kTypeMismatch = "Fields type do not match.";
    static constexpr const char *kDiscardQuestion = "Script changes may be lost. Discard changes ?";
    static constexpr const char *kCopyNow = "Copy now!!!";

    // What the window shows of the builder: told after every change.
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void BuilderChanged() = 0;
    };

    // Which buttons can be pressed.
    struct Enabled {
        bool add = false;
        bool remove = false;
        bool clear = false;
        bool setAsDefault = false;
        bool connect = false;
        bool disconnect = false;
    };

    explicit MabrelDlg(SgDocument *document, void *parent = nullptr);
    ~MabrelDlg() override;

    void SetListener(Listener *listener) { m_pListener = listener; }
    SgParametricModel *GetPM() const { return m_pModel.get(); }
    const CParamListTree &GetTree() const { return m_tree; }

    // Opens the model of the first selected path's lowest object, or wraps
    // that object in a new model "PM"; without a selected object a new empty
    // model goes under the scene root. Fills the tree and the type list.
    void OnInitDialog();

    // ---- The entry fields (what the user types and chooses) ----------------------
    const std::string &GetNameText() const { return m_nameText; }
    const std::string &GetDefaultText() const { return m_defaultText; }
    void SetNameText(const std::string &text);
    void SetDefaultText(const std::string &text);
    // The type list: field-class names in id order, empty slots and classes
    // without values (the base class) skipped.
    const std::vector<std::string> &GetTypeNames() const { return m_typeNames; }
    int GetTypeSelection() const { return m_typeSelection; }
    std::string GetTypeText() const;
    // -1 when the list has no such class.
    int FindType(const std::string &className) const;
    // The user chose another type: the default shows "Copy now!!!".
    void SelectType(int index);
    bool GetSetAsDefault() const { return m_bSetAsDefault; }
    void SetSetAsDefault(bool on) { m_bSetAsDefault = on; }
    const Enabled &GetEnabled() const { return m_enabled; }

    // ---- The tree ------------------------------------------------------------------
    // The caret moved to `item` (also what focusing the tree does).
    void SelectItem(CParamListTree::Item item);
    // Whether a label edit may start: only on items without children. The
    // edited text is never kept: labels are the model's, not the user's.
    bool OnBeginlabeleditTreeParamlist(CParamListTree::Item item) const;

    // ---- Buttons -------------------------------------------------------------------
    void OnButtonAddparam();
    void OnButtonClear();
    void OnButtonDelparam();
    void OnButtonConnect();
    void OnButtonDisconnect();
    void OnButtonEmptySelectedField();
    void OnButtonGetScript();
    void OnButtonSetScript();

    // ---- The script box ----------------------------------------------------------
    const std::string &GetScriptText() const { return m_scriptText; }
    // The user edited the box: the script is marked changed.
    void SetScriptText(const std::string &text);
    bool IsScriptChanged() const { return m_bScriptChanged; }
    int GetModelScriptChoice() const { return m_modelScript; }
    void SetModelScriptChoice(int choice);
    // The field whose formula the box shows; null: one of the model's scripts.
    SgField *GetScriptField() const { return m_pScriptField; }

    // OK also empties the document's list of selected fields. Neither acts on
    // the window beyond hiding it through the base: its owner destroys it.
    void OnOK() override;
    void OnCancel() override;

    // The persistent id as labels write it: "first_second".
    static std::string IdText(const SgFieldMngr *object);
    // A scripted field's label: carriage returns out, double quotes doubled,
    // the whole script however long.
    static std::string FieldLabel(SgField *field, const std::string &script);
    static std::string ConnectionLabel(SgField *field);

private:
    // Connects the parameter to the field's element `index` as one undo
    // record: Undo takes the connection, the node's mark and the value the
    // model gave the field back.
    void ConnectRecorded(SgPMParam &param, SgField *field, int index);
    using Item = CParamListTree::Item;
    using Data = CParamListTree::Data;
    using Kind = CParamListTree::Kind;

    void Changed();
    void FillTree();
    void FillTypes();
    void OnCryticalEditsChange();
    void AddParameterItems(SgPMParam &param, bool filled);
    // The parameter an item stands for, looked up by name; null when gone.
    SgPMParam *ParamOf(Item item);
    Item ParameterItem(const std::string &name) const;
    Item FieldsItem();
    void ShowFieldScript(Item fieldsRoot, SgField *field, const std::string &script);
    bool HasScripts() const;
    void UndoScripts();
    void RebuildScripts();
    std::string ModelScriptText() const;

    SgRef<SgParametricModel> m_pModel;
    CParamListTree m_tree;
    Listener *m_pListener = nullptr;

    std::string m_nameText;
    std::string m_defaultText;
    bool m_bSetAsDefault = false;
    std::vector<std::string> m_typeNames;
    std::vector<int> m_typeIds;
    int m_typeSelection = 0;
    Enabled m_enabled;

    SgField *m_pScriptField = nullptr;
    // Keeps the script field's node alive while the box shows its formula.
    SgRef<SgFieldMngr> m_scriptFieldKeep;
    bool m_bScriptChanged = false;
    std::string m_scriptText;
    int m_modelScript = kControlPoint;
};
