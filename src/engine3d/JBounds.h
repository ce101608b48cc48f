#pragma once
// A bounding volume of a mesh: measured in object space, moved into camera space each frame and classified
// against the frustum planes.

class JFrustum;
class JMatrix;
class JMesh;
class JVector;

class JBounds {
public:
    virtual ~JBounds() = default;
    virtual void measure(const JMesh& mesh) = 0;
    virtual double volume() const = 0;
    // `world` maps object space to camera space.
    virtual void transform(const JMatrix& world) = 0;
    // Object-space containment.
    virtual bool contains(const JVector& point) const = 0;
    // Per plane of `frustum`: 2 = crossed, 1 = inside, 0 = outside; `visible` = 0 when outside any plane.
    virtual void classify(const JFrustum& frustum, int* results, int& visible) const = 0;
};
