#pragma once
// The light dialog without the toolkit: the one light of the selected
// object (or, with nothing selected, of the view scene): its kind, direction
// as a vector or as two angles, location, cut-off angle, drop-off rate, on
// state, colour and intensity. Every change is written to the light at once;
// the changes form undo key points that Cancel reverts.
//
//   CLightDlg dialog(document);
//   dialog.OnInitDialog();           // finds and reads the light
//   dialog.SetAlpha(90);             // direction follows, light written
//   dialog.OnLight(CLightDlg::kSpot);// replaces the light by a spot light
#include "dialogs/CCadDlg.h"
#include "engine/core/SgRef.h"
#include "utilities/math/Color.h"
#include "utilities/math/Vec3.h"
#include "dialogs/PallicoExport.h"

class SgLight;
class SgSeparator;

class PALLICO_API CLightDlg : public CCadDlg {
public:
    static constexpr unsigned kDialogId = 2022;
    // The kinds, by the ids of their radio buttons.
    enum Kind : int { kDirectional = 1076, kSpot = 1077, kPoint = 1078, kNoLight = 1079 };

    explicit CLightDlg(SgDocument *document, void *parent = nullptr);
    ~CLightDlg() override;

    // The light of the document's selection and its holder (returned even
    // when it holds no light): the one selected object; with nothing
    // selected the first object of the current view scene, else its first
    // separator; with more than one selected object none.
    static SgLight *FindLightNode(SgDocument *document, SgSeparator **holder);
    // Degrees; direction = (sin a, tan b, cos a).
    static void AngleToDirection(Vec3 &direction, double alpha, double beta);
    static void DirectionToAngle(const Vec3 &direction, double &alpha, double &beta);
    // The radio id of a light's kind, -1 for another class.
    static int GetLightID(const SgLight *light);

    void OnInitDialog();
    // Opens a key point and reads the light again ("Refresh").
    void InitLightSelection();
    // Writes the values into the light and redraws.
    void UpdateLightNode();

    // The controls. Each writes the light.
    void SetDirection(int axis, double value);
    void SetAlpha(double alpha);
    void SetBeta(double beta);
    void SetLocation(int axis, double value);
    void SetCutOffAngle(double degrees);
    void SetDropOffRate(double rate);
    void SetIntensity(int percent);
    void SetOn(bool on);
    // 0..255 each.
    void SetColor(int red, int green, int blue);
    // "Choose Color...": the colour chooser (platform/SgChoosers.h) starts at
    // the present colour; a colour chosen is taken as SetColor takes it.
    void OnChooseColor();
    // Radio buttons: replaces the light by one of that kind, or removes it.
    void OnLight(int kind);
    void OnDeleteLight();
    void OnOK() override;
    void OnCancel() override;

    const Vec3 &GetDirection() const { return m_direction; }
    double GetAlpha() const { return m_alpha; }
    double GetBeta() const { return m_beta; }
    const Vec3 &GetLocation() const { return m_location; }
    double GetCutOffAngle() const { return m_cutOff; }
    double GetDropOffRate() const { return m_dropOff; }
    int GetIntensity() const { return m_intensity; }
    bool GetOn() const { return m_on; }
    const Color &GetColor() const { return m_color; }
    int GetActiveID() const { return m_activeId; }
    SgLight *GetActiveLight() const { return m_light.get(); }
    // "Light ON" or "Light OFF".
    const char *GetOnCaption() const { return m_on ? "Light ON" : "Light OFF"; }

    // Which groups of controls the active kind uses.
    struct Groups {
        bool direction = false;
        bool location = false;
        bool cutOff = false;
        bool dropOff = false;
    };
    Groups GetGroups() const;

    void SetChangedCallback(void (*changed)(void *), void *data)
    {
        m_fnChanged = changed;
        m_pChangedData = data;
    }

private:
    bool AddLight(int kind);
    void DeleteActiveLight();
    void Changed();

    Vec3 m_direction{0, 0, 0};
    Vec3 m_location{0, 0, 0};
    double m_cutOff = 0.0;
    double m_dropOff = 0.0;
    double m_alpha = 0.0;
    double m_beta = 0.0;
    bool m_on = true;
    int m_intensity = 100;
    int m_activeId = kNoLight;
    SgRef<SgLight> m_light;
    // The first view's light when the dialog opened: Cancel gives it back.
    SgRef<SgLight> m_openingViewLight;
    Color m_color{1, 1, 1, 1};
    void (*m_fnChanged)(void *) = nullptr;
    void *m_pChangedData = nullptr;
};
