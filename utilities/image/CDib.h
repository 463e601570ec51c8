#pragma once
// A device-independent bitmap handle. It has no contents of its own; it is
// kept so that interfaces naming it stay whole.

class CDib {
public:
    virtual ~CDib() = default;
};
