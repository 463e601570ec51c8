#pragma once
// A computation that takes over from the primitive creation tool: the tool
// hands it the points of each drag step and lets it build whatever it wants
// (a measuring tape, a rubber line). The tool keeps the object it creates as
// the created object and calls CleanUp when it finishes.
#include <algorithm>

#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class SgObject;

class NODARA_API GenericCreateHandler {
public:
    static constexpr int kParameterCount = 8;

    GenericCreateHandler() = default;
    // The parameters from the third on are the stage codes the tool is given.
    explicit GenericCreateHandler(const int *parameters)
    {
        if (parameters)
            std::copy(parameters, parameters + kParameterCount, m_parameters);
    }
    GenericCreateHandler(const GenericCreateHandler &) = default;
    GenericCreateHandler &operator=(const GenericCreateHandler &) = default;
    GenericCreateHandler(GenericCreateHandler &&) = default;
    GenericCreateHandler &operator=(GenericCreateHandler &&) = default;
    virtual ~GenericCreateHandler() = default;

    // After each drag step of the extent and height stages.
    virtual void Update() = 0;
    // At the first click; the returned object is the tool's created object.
    virtual SgObject *Create() = 0;
    // When the tool finishes.
    virtual void CleanUp() {}

    const int *GetParameters() const { return m_parameters; }

    Vec3 m_start;
    Vec3 m_current;
    Vec3 m_delta;
    double m_height = 0.0;
    double m_absHeight = 0.0;
    double m_distance = 0.0;

protected:
    int m_parameters[kParameterCount] = {};
};
