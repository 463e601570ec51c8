#!/usr/bin/env bash
# The layer check itself: a clean miniature tree passes (the user-interface
# folders among the layers, toolkit headers in their wx parts); each offence
# fails with a line that names the file, also where the include text hides it
# (a relative path, angle brackets, a macro, a line continuation, a header
# reached through another header), for a file in no layer's folder, and for a
# lower layer's header that declares a class of a higher one.
set -u
check="$1"
source "$(dirname "$0")/check_test_common.sh"
run_check() { "$check" --root "$work/tree"; }

plant utilities/math/Vec3.h '#pragma once'
plant engine/core/SgNode.h '#include "utilities/math/Vec3.h"'
plant engine/document/SgDocument.h '#include "engine/core/SgNode.h"'
plant engine/render/SgGLRenderAction.h '#include <GL/gl.h>'
plant engine/render/SgGLRenderAction.cpp '#include "engine/render/SgGLRenderAction.h"'
plant engine/viewer/SgViewer.h '#include "engine/core/SgNode.h"'
plant engine/viewer/SgViewer.cpp '#include "engine/render/SgGLRenderAction.h"'
plant engine/SgNodara.cpp '#include "engine/viewer/SgViewer.h"'
plant platform/fonts/GlyphSource.cpp '#include <ft2build.h>'
plant platform/fonts/GlyphSource.h '#pragma once'
plant platform/UrlDownloader.cpp '#include <curl/curl.h>'
plant solids/GmKernel.cpp '#include "engine/core/SgNode.h"'
plant solids/render/GmDraw.cpp '#include "engine/render/SgGLRenderAction.h"'
plant dialogs/SgColorPresenter.h '#include "engine/document/SgDocument.h"'
plant dialogs/SgColorPresenter.cpp '#include "dialogs/SgColorPresenter.h"'
plant treepanel/SgTreeRows.cpp '#include "dialogs/SgColorPresenter.h"'
plant dialogs/wx/SgColorDialog.cpp '#include <wx/dialog.h>'
plant dialogs/wx/SgColorDialog.cpp '#include "dialogs/SgColorPresenter.h"'
plant facade/SgCommands.cpp '#include "dialogs/SgColorPresenter.h"'
plant control/SgControl.cpp '#include "facade/SgCommands.h"'
plant control/wx/SgControlWindow.cpp '#include <wx/glcanvas.h>'
plant control/wx/SgControlWindow.cpp '#include "dialogs/wx/SgColorDialog.h"'
plant host/main.cpp '#include "control/SgControl.h"'
plant host/window/WindowCommand.cpp '#include <wx/app.h>'
plant platform/gl/GLContext.cpp '#include <GL/glx.h>'
plant platform/controls/SgNumSpinModel.h '#pragma once'
plant platform/wx/SgWxControls.h '#include <wx/spinctrl.h>'
plant engine/render/SgGLRenderAction.h 'class SgGLRenderAction {'
plant engine/render/SgGLRenderAction.h '};'
plant engine/document/SgDocument.h 'class SgDocument {'
plant engine/document/SgDocument.h '};'
plant engine/core/SgNode.h 'class SgDocument;'
plant control/SgControl.h 'namespace fennix {'
plant control/SgControl.h 'class FennixControl : public Base {'
plant control/SgControl.h '};'
plant control/SgControl.h '}'
plant tests/engine/core/SgNodeTest.cpp '#include "engine/document/SgDocument.h"'
expect "clean tree passes" 0 "the folders are layers"

offence "upward include fails" engine/core/SgGroup.cpp '#include "engine/document/SgDocument.h"' \
    "engine/core/SgGroup.cpp:1: engine/core includes engine/document/SgDocument.h"
offence "upward include by a relative path fails" engine/core/SgPath.cpp '#include "../render/SgGLRenderAction.h"' \
    "engine/core/SgPath.cpp: reads engine/render/SgGLRenderAction.h"
offence "upward include in angle brackets fails" engine/actions/SgFind.cpp '#include <engine/viewer/SgViewer.h>' \
    "engine/actions/SgFind.cpp.*engine/viewer/SgViewer.h"
plant engine/nodes/SgCube.cpp '#define SCENE_HEADER "engine/document/SgDocument.h"'
offence "upward include through a macro fails" engine/nodes/SgCube.cpp '#include SCENE_HEADER' \
    "engine/nodes/SgCube.cpp: reads engine/document/SgDocument.h"
plant engine/nodes/SgCone.cpp '#include \'
offence "upward include over a line continuation fails" engine/nodes/SgCone.cpp '"engine/viewer/SgViewer.h"' \
    "engine/nodes/SgCone.cpp: reads engine/viewer/SgViewer.h"
offence "a file in no layer's folder fails" misc/Helper.cpp '#include "engine/core/SgNode.h"' \
    "misc/Helper.cpp: belongs to no layer"
offence "a file in an unlisted engine folder fails" engine/extras/SgExtra.cpp '' \
    "engine/extras/SgExtra.cpp: belongs to no layer"
offence "GL header in the object model fails" engine/core/SgShape.cpp '#include <GL/glu.h>' \
    "engine/core/SgShape.cpp:1: GL header"
offence "GL reaching the solid kernel through an engine header fails" solids/GmMesh.cpp \
    '#include "engine/render/SgGLRenderAction.h"' "solids/GmMesh.cpp: reads GL/gl.h"
offence "toolkit header in the renderer fails" engine/render/SgTextureManager.cpp '#include <wx/glcanvas.h>' \
    "engine/render/SgTextureManager.cpp:1: toolkit header"
offence "toolkit header in a dialog's toolkit-free part fails" dialogs/SgLayerPresenter.cpp '#include <wx/dialog.h>' \
    "dialogs/SgLayerPresenter.cpp:1: toolkit header"
offence "toolkit header in the facade fails" facade/SgMessages.cpp '#include <wx/msgdlg.h>' \
    "facade/SgMessages.cpp:1: toolkit header"
offence "the facade including a wx part fails" facade/SgFileCommands.cpp '#include "dialogs/wx/SgColorDialog.h"' \
    "facade includes dialogs/wx/SgColorDialog.h from the higher layer dialogs/wx"
offence "a dialog including the facade fails" dialogs/SgLightPresenter.cpp '#include "facade/SgCommands.h"' \
    "dialogs includes facade/SgCommands.h from the higher layer facade"
offence "FreeType outside the glyph source fails" engine/nodes/SgText.cpp '#include <ft2build.h>' \
    "engine/nodes/SgText.cpp:1: font library header"
plant platform/fonts/GlyphSource.h '#include <fontconfig/fontconfig.h>'
offence "fontconfig reached through a platform header fails" engine/nodes/SgText3.cpp \
    '#include "platform/fonts/GlyphSource.h"' "engine/nodes/SgText3.cpp: reads fontconfig/fontconfig.h"
sed -i '$d' "$work/tree/platform/fonts/GlyphSource.h"
offence "curl outside the downloader fails" engine/document/SgFetch.cpp '#include <curl/curl.h>' \
    "engine/document/SgFetch.cpp:1: download library header"
plant platform/media/SgMovieWriter.cpp '#include <libavformat/avformat.h>'
offence "movie libraries outside the movie writer fail" facade/CMovie.cpp '#include <libavcodec/avcodec.h>' \
    "facade/CMovie.cpp:1: movie library header"
offence "movie libraries in the platform's other folders fail" platform/SgClip.cpp '#include <libswscale/swscale.h>' \
    "platform/SgClip.cpp:1: movie library header"

offence "toolkit header in the platform's toolkit-free controls fails" platform/controls/SgNumSpinModel.cpp \
    '#include <wx/spinctrl.h>' "platform/controls/SgNumSpinModel.cpp:1: toolkit header <wx/spinctrl.h>"
offence "toolkit header in a headless command of the host fails" host/ConvertCommand.cpp '#include <wx/app.h>' \
    "host/ConvertCommand.cpp:1: toolkit header <wx/app.h>"
offence "toolkit reaching the host program through a header fails" host/RenderCommand.cpp \
    '#include "platform/wx/SgWxControls.h"' "host/RenderCommand.cpp: reads wx/"
offence "window-system header beside the GL contexts fails" platform/SgWindowClock.cpp '#include <X11/Xlib.h>' \
    "platform/SgWindowClock.cpp:1: window-system header <X11/Xlib.h>"
offence "a lower header declaring a higher layer's class fails" engine/core/SgShape.h 'class SgGLRenderAction;' \
    "engine/core/SgShape.h:1: engine/core declares SgGLRenderAction, a class of the higher layer engine/render"
offence "a declaration inside a namespace fails too" facade/SgCommands.h 'namespace fennix { class FennixControl; }' \
    "facade/SgCommands.h:1: facade declares FennixControl, a class of the higher layer control"

finish
