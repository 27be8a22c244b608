// Scene files: the document, camera, settings and host states a session
// starts from. One statement a line (see reflines.h):
//
//   camera eye X Y Z look X Y Z up X Y Z [zoom Z] [near N] [far F]
//   object NAME [type TYPE] [phase P] [active] [excluded] [pinned]
//   transform V1 ... V16  the last object's pose, row by row
//   csys NAME origin X Y Z x X Y Z y X Y Z z X Y Z [phase P]
//                         a coordinate-system object of the document
//   subcsys NAME origin X Y Z x X Y Z y X Y Z z X Y Z
//                         a coordinate-system sub-object of the last object
//   geometry FILE [scale S] [noise D] [faces DEGREES] [nocomplex]
//                         the last object's triangles, from a mesh file
//                         (relative to the scene file; formats in
//                         document/refmeshfile.h); one file an object. Its
//                         coordinates times S, each then moved by up to D
//                         (the same on every run), its flat faces found
//                         anew within DEGREES (document/refflatfaces.h) when
//                         asked
//   geometry sphere RADIUS TRIANGLES [at X Y Z] [nocomplex]
//   geometry box SX SY SZ [at X Y Z] [nocomplex]
//                         a generated shell added to the last object's mesh
//                         (document/refshapes.h); several lines add several
//   geometry FILE         for an object of type Point: its points from a
//                         point file (document/refpointfile.h)
//   geometry grid NX NY STEP [at X Y Z]
//                         the last object's points: a grid in the plane
//                         z = Z; the object answers "ScanModel" when its
//                         type is Scan, else "PointModel"
//                         A mesh answers "GenModel", "ITesMesh" and
//                         "ITesMeshExt"; its connectivity ("IComplex2D")
//                         is left out once a line says nocomplex
//   feature NAME plane origin X Y Z normal X Y Z
//   feature NAME line from X Y Z to X Y Z
//   feature NAME sphere centre X Y Z radius R [direction X Y Z]
//                         a feature of the last object (the sphere's
//                         direction is 0 0 1 unless given); feature names
//                         are unique in the document
//   setting bool|int|double|string KEY VALUE
//   registry KEY VALUE
//   view NAME [flags F] eye X Y Z look X Y Z up X Y Z [zoom Z]
//   view NAME [flags F] orientation V1 ... V16 [zoom Z]
//                         a stored view, appended to the user's views; flags
//                         default to 18 (a user's view), the orientation is
//                         a camera matrix row by row (a rotation and a
//                         translation), the form the settings file writes
//   state KEY true|false
//   phase P               the document's current phase
//   unit mm|cm|m|in|um    the user's length unit (the document is in mm)
//   workflow NAME [current] [noholder]
//                         a workflow of the host (kept if it exists); the
//                         scene's first is current unless another says so
//   workflowowner [query true|false] [holds NAME|none]
//                         links the last object to a workflow of its own
//
// Names and texts are UTF-8.
//
// The scanning rig of the recipe (SRML) commands is the object named
// RefObject: its sub-object "Turntable" is the turntable's pose and every
// other subcsys, in file order, a scanner numbered 0, 1, 2, ... (see
// examples/scenes/scanrig.scene).
#pragma once

#include <string>

#include "session/reflines.h"

class RefHost;

struct RefSceneResult {
    bool good = false;
    std::string error;  // "file:line: what"
};

// Replaces the document by the scene's; settings, registry, states and views
// are added to what the host has.
RefSceneResult refLoadScene(RefHost& host, const std::string& path);
RefSceneResult refLoadSceneLines(RefHost& host, const RefLineFile& file, const std::string& name);
