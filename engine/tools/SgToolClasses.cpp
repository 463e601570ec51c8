#include "engine/tools/SgToolClasses.h"

#include "engine/tools/SgConstraintTool.h"
#include "engine/tools/SgCreateBezierTool.h"
#include "engine/tools/SgCreateCylinderTool.h"
#include "engine/tools/SgCreatePolyLineTool.h"
#include "engine/tools/SgCreatePolygonTool.h"
#include "engine/tools/SgEditPolyLineTool.h"
#include "engine/tools/SgEditSubObjectTool.h"
#include "engine/tools/SgExamineViewHandler.h"
#include "engine/tools/SgHandleBoxTool.h"
#include "engine/tools/SgScaleTool.h"
#include "engine/tools/SgParamsTool.h"
#include "engine/tools/SgSelectByFenceTool.h"
#include "engine/tools/SgSubObjectMoveTool.h"
#include "engine/tools/SgTransformTool.h"

void SgToolClasses::RegisterNodeClasses()
{
    SgExamineViewHandler::InitClass();
    SgSelectByFenceTool::InitClass();
    SgTransformTool::InitClass();
    SgMoveTool::InitClass();
    SgTrackballTool::InitClass();
    SgScaleTool::InitClass();
    SgHandleBoxTool::InitClass();
    SgCreateCylinderTool::InitClass();
    SgCreatePolyLineTool::InitClass();
    SgCreatePolygonTool::InitClass();
    SgCreateBezierTool::InitClass();
    SgEditSubObjectTool::InitClass();
    SgEditPolyLineTool::InitClass();
    SgParamsTool::InitClass();
    SgConstraintTool::InitClass();
    SgSubObjectMoveTool::InitClass();
}
