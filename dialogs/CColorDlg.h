#pragma once
// The material colour dialog without the toolkit: the diffuse colour with
// its alpha, a grey specular colour, shininess and the override flag of the
// material the selected objects share. Every change is written at once; all
// changes made while the dialog is open belong to undo key points, Apply
// starts a new one and Cancel reverts the last.
//
//   CColorDlg dialog(document);     // copies the selection
//   dialog.OnInitDialog();          // key point, shared material, values read
//   dialog.SetRed(200);             // a slider moved: written at once
//   dialog.OnOK();                  // kept (or OnCancel: undone)
#include <vector>

#include "dialogs/CCadDlg.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgRef.h"
#include "dialogs/PallicoExport.h"

class SgMaterial;
class SgSeparator;
class SgViewer;

class PALLICO_API CColorDlg : public CCadDlg {
public:
    static constexpr unsigned kDialogId = 2021;

    explicit CColorDlg(SgDocument *document, void *parent = nullptr);
    ~CColorDlg() override;

    // The objects to edit; the dialog holds them while it stands.
    void SetPathList(const SgPathList &paths);
    const SgPathList &GetPathList() const { return m_paths; }

    // Opens the key point, makes the selection share one material and
    // reads it; writes it back once (quantised).
    void OnInitDialog();

    // The sliders and edits. Colour channels are kept within 0..255, the
    // other values within 0..1; each call writes the material.
    void SetRed(int value);
    void SetGreen(int value);
    void SetBlue(int value);
    void SetChannel(int channel, int value);
    void SetSpecularSlider(int position);
    void SetSpecularEdit(double value);
    void SetShininessSlider(int position);
    void SetShininessEdit(double value);
    void SetTransparentSlider(int position);
    void SetTransparentEdit(double value);
    void SetOverride(bool on);
    void SetLinkAmbient(bool on);
    void SetInstantUpdate(bool on);
    // A colour chosen in a colour chooser (0..255 each).
    void SetColor(int red, int green, int blue);
    // "Choose Color...": the colour chooser (platform/SgChoosers.h) starts at
    // the present colour; a colour chosen is taken as SetColor takes it.
    void OnChooseColor();

    int GetRed() const { return m_rgb[0]; }
    int GetGreen() const { return m_rgb[1]; }
    int GetBlue() const { return m_rgb[2]; }
    int GetChannel(int channel) const { return m_rgb[channel]; }
    int GetSpecularSlider() const { return m_specularSlider; }
    double GetSpecularEdit() const { return m_specular; }
    int GetShininessSlider() const { return m_shininessSlider; }
    double GetShininessEdit() const { return m_shininess; }
    int GetTransparentSlider() const { return m_transparentSlider; }
    double GetTransparentEdit() const { return m_transparent; }
    bool GetOverride() const { return m_override; }
    bool GetLinkAmbient() const { return m_link; }
    bool GetInstantUpdate() const { return m_instant; }

    SgMaterial *GetMaterial() const { return m_material.get(); }

    // The preview: the edited material on a lit sphere in front of black
    // quarters (so that transparency shows), drawn through the engine
    // offscreen into `rgb` (rows from the top, three bytes a pixel). The
    // scene is built at the first call. False when it cannot be drawn.
    bool RenderPreview(int width, int height, std::vector<unsigned char> &rgb);

    // Writes the values into the material (and redraws when asked).
    void UpdateSelection();
    // Commits what was done so far: a new key point.
    void OnApply();
    // Gives the selection its own copy of the material.
    void OnDisconnect();
    void OnOK() override;
    void OnCancel() override;

    // The views hear of every change of the values, to show them.
    void SetChangedCallback(void (*changed)(void *), void *data)
    {
        m_fnChanged = changed;
        m_pChangedData = data;
    }

private:
    void SyncMaterial(bool disconnect);
    void Changed();
    bool BuildPreview();

    SgPathList m_paths;
    std::vector<SgRef<SgSeparator>> m_objects;
    SgRef<SgMaterial> m_material;
    int m_rgb[3] = {0, 0, 0};
    int m_specularSlider = 0;
    double m_specular = 0.0;
    int m_shininessSlider = 0;
    double m_shininess = 0.0;
    int m_transparentSlider = 100;
    double m_transparent = 1.0;
    bool m_override = false;
    bool m_link = false;
    bool m_instant = true;
    SgRef<SgSeparator> m_previewRoot;
    SgViewer *m_pPreviewViewer = nullptr;
    void (*m_fnChanged)(void *) = nullptr;
    void *m_pChangedData = nullptr;
};
