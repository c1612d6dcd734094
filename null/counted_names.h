// Forced-included (-include) into a second copy of the core and the counting GL layer, so that
// both can live in one program beside the real libGL and the real core: every GL entry point,
// core function and core global of that copy gets a "Counted" name. A program then runs the
// very same core code against the driver and against the counters in one process.
#pragma once

#define glClearColor CountedGlClearColor
#define glEnable CountedGlEnable
#define glDisable CountedGlDisable
#define glClear CountedGlClear
#define glPushMatrix CountedGlPushMatrix
#define glPopMatrix CountedGlPopMatrix
#define glLoadIdentity CountedGlLoadIdentity
#define glRotatef CountedGlRotatef
#define glMultMatrixf CountedGlMultMatrixf
#define glGetFloatv CountedGlGetFloatv
#define glMatrixMode CountedGlMatrixMode
#define glOrtho CountedGlOrtho
#define glPolygonMode CountedGlPolygonMode
#define glLightfv CountedGlLightfv
#define glLightModeli CountedGlLightModeli
#define glFogi CountedGlFogi
#define glFogf CountedGlFogf
#define glFogfv CountedGlFogfv
#define glMaterialfv CountedGlMaterialfv
#define glMaterialf CountedGlMaterialf
#define glLineWidth CountedGlLineWidth
#define glBegin CountedGlBegin
#define glEnd CountedGlEnd
#define glNormal3f CountedGlNormal3f
#define glVertex3f CountedGlVertex3f
#define glFlush CountedGlFlush
#define PresentFrame CountedPresentFrame

#define viewer countedViewer
#define lightPositions countedLightPositions
#define ResetViewerState CountedResetViewerState
#define ViewerClose CountedViewerClose
#define RequestRedraw CountedRequestRedraw
#define IdleRedraw CountedIdleRedraw
#define RenderFrame CountedRenderFrame
#define ApplyMaterials CountedApplyMaterials
#define DrawModel CountedDrawModel
#define DrawMesh CountedDrawMesh
#define ApplyRotationStep CountedApplyRotationStep
#define InitScene CountedInitScene
#define SetProjection CountedSetProjection
#define TrackballPoint CountedTrackballPoint
#define TrackballStart CountedTrackballStart
#define TrackballMotion CountedTrackballMotion
#define TrackballStop CountedTrackballStop
#define KeyCommand CountedKeyCommand
