#pragma once
// How a command record names its operation and predicate: as a function of
// one of the facade's command families, Operation<&SceneFiles::OnFile>,
// found on the facade the command runs on. Only what builds the record
// tables or runs a family function as a record's operation includes this.
#include "facade/CDrevon.h"
#include "facade/DrevonExport.h"

namespace drevon {

// The command family of a facade (the facade itself for what it runs on
// its own).
template <class Family>
DREVON_API Family &FamilyOf(CDrevon &facade);
template <>
inline CDrevon &FamilyOf<CDrevon>(CDrevon &facade) { return facade; }
template <>
inline SceneFiles &FamilyOf<SceneFiles>(CDrevon &facade) { return facade.GetFiles(); }
template <>
inline Playback &FamilyOf<Playback>(CDrevon &facade) { return facade.GetPlayback(); }
template <>
inline SelectionEditing &FamilyOf<SelectionEditing>(CDrevon &facade) { return facade.GetSelectionEditing(); }
template <>
inline Creation &FamilyOf<Creation>(CDrevon &facade) { return facade.GetCreation(); }
template <>
inline Annotations &FamilyOf<Annotations>(CDrevon &facade) { return facade.GetAnnotations(); }
template <>
inline Viewing &FamilyOf<Viewing>(CDrevon &facade) { return facade.GetViewing(); }
template <>
inline DialogTable &FamilyOf<DialogTable>(CDrevon &facade) { return facade.GetDialogs(); }
template <>
inline Modelling &FamilyOf<Modelling>(CDrevon &facade) { return facade.GetModelling(); }

template <class Member>
struct CommandFamilyOfMember;
template <class Family, class Result>
struct CommandFamilyOfMember<Result (Family::*)(int)> {
    using type = Family;
};
template <class Family, class Result>
struct CommandFamilyOfMember<Result (Family::*)(int) const> {
    using type = Family;
};

template <auto Function>
void Operation(CDrevon &facade, int button)
{
    (FamilyOf<typename CommandFamilyOfMember<decltype(Function)>::type>(facade).*Function)(button);
}
template <auto Function>
bool Predicate(CDrevon &facade, int button)
{
    return (FamilyOf<typename CommandFamilyOfMember<decltype(Function)>::type>(facade).*Function)(button);
}

} // namespace drevon
