#pragma once
// The annotation commands of the facade: rubber lines, annotations, the
// measure tape and the test links; small assemblies wired once through the
// dataflow and LISP scripts, which keep them up to date as their ends move.
// It owns the measure tape's creation handler while its tool may use it.
#include <memory>
#include "facade/DrevonExport.h"

class GenericCreateHandler;
class SgObject;
class SgTransform;

namespace drevon {

class CDrevon;

class DREVON_API Annotations {
public:
    static constexpr int kAnnotationButton = 210;
    static constexpr int kRubberLineButton = 211;

    explicit Annotations(CDrevon &facade);
    ~Annotations();
    Annotations(const Annotations &) = delete;
    Annotations &operator=(const Annotations &) = delete;

    // A line object (not inserted) that stays stretched between a and b:
    // with sensors it follows where they are drawn, without it follows the
    // translations of their transforms.
    SgObject *CreateRubberLine(SgObject *a, SgObject *b, bool useSensors);
    // A label "Annotation" tied to the target by a rubber line; both join
    // the scene root. The rubber line.
    SgObject *CreateAnnotation(SgObject *target);
    // An annotation of the one selected object: one undo step.
    void OnAnnotation();
    // The tape object: two tips, the band between them and a label showing
    // their distance; mode 1 adds the dimension lines. transforms[0..1] get
    // the tips' transforms, objects[0..3] the tips, the band and the label.
    SgObject *CreateMeasureTape(SgTransform **transforms, SgObject **objects, int mode);
    // Kind 10 and 11: the measure tape's creation tool (buttons 76 and 77
    // show it running).
    void OnCreateCompoundTool(int kind);
    // With exactly two objects A, B selected: 0 a rubber line between them,
    // 1 A's colour follows B's, 2 B's colour follows A's position, 3 B magenta.
    void TestRubber(int mode);

    // The menu and toolbar forms.
    void OnCompoundToolButton(int button);
    void OnAnnotationButton(int button);
    void OnRubberLineButton(int button);

private:
    CDrevon &m_facade;
    std::shared_ptr<GenericCreateHandler> m_createHandler;
};

} // namespace drevon
