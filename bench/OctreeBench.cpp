// The octree over a bumpy closed mesh of 20,000 triangles: building a depth-3 tree, and ray casts through it
// beside the brute-force cast over every triangle that the tree replaces. Both casts go through the same
// 100,000 rays, one ray per iteration, aimed through the mesh from outside.
#include "GLOctree.h"

#include "GLVectorGeometry.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <vector>
#include "BenchBaseline.h"

namespace {

constexpr int kRings = 100, kSegments = 100; // 2 x 100 x 100 triangles
constexpr int32_t kDepth = 3;
constexpr size_t kRays = 100000;

TVector3f SurfacePoint(int ring, int segment)
{
    const double theta = std::numbers::pi * ring / kRings, phi = 2 * std::numbers::pi * segment / kSegments;
    const double r = 10 + 0.8 * std::sin(5 * theta) * std::cos(7 * phi);
    return TVector3f{{{static_cast<float>(r * std::sin(theta) * std::cos(phi)),
                       static_cast<float>(r * std::sin(theta) * std::sin(phi)),
                       static_cast<float>(r * std::cos(theta))}}};
}

struct TRay {
    TVector4f Start, Vector;
};

struct TScene {
    TAffineVectorList Triangles;
    TVector3f Min, Max;
    std::vector<TRay> Rays;

    TScene()
    {
        for (int ring = 0; ring < kRings; ++ring)
            for (int segment = 0; segment < kSegments; ++segment) {
                const TVector3f a = SurfacePoint(ring, segment), b = SurfacePoint(ring + 1, segment),
                                c = SurfacePoint(ring + 1, segment + 1), d = SurfacePoint(ring, segment + 1);
                Triangles.Add(a, b, c);
                Triangles.Add(c, d, a);
            }
        Triangles.GetExtents(Min, Max);
        // From a sphere of radius 30 towards a point within 8 of the centre.
        std::mt19937 random(7);
        std::normal_distribution<float> gauss;
        std::uniform_real_distribution<float> inside(-8, 8);
        Rays.reserve(kRays);
        while (Rays.size() < kRays) {
            TVector4f start{{{gauss(random), gauss(random), gauss(random), 0}}};
            if (HmgLengthSquared(start) == 0) continue;
            HmgNormalizeInPlace(start);
            HmgScaleInPlace(start, 30);
            start.W = 1;
            const TVector4f target{{{inside(random), inside(random), inside(random), 1}}};
            TRay ray{start, {}};
            HmgSubtract(target, start, ray.Vector);
            Rays.push_back(ray);
        }
    }
};

TScene& Scene()
{
    static TScene scene;
    return scene;
}

void BM_OctreeBuild(benchmark::State& state)
{
    TScene& scene = Scene();
    TOctree octree;
    for (auto _ : state) {
        octree.InitializeTree(scene.Min, scene.Max, &scene.Triangles, kDepth);
        benchmark::DoNotOptimize(octree.Intersections);
        state.PauseTiming(); // freeing is not building
        octree.DisposeTree();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * scene.Triangles.Count() / 3);
}

void BM_OctreeRayCast(benchmark::State& state)
{
    TScene& scene = Scene();
    TOctree octree;
    octree.InitializeTree(scene.Min, scene.Max, &scene.Triangles, kDepth);
    size_t next = 0;
    TVector4f point;
    for (auto _ : state) {
        const TRay& ray = scene.Rays[next];
        next = next + 1 == kRays ? 0 : next + 1;
        benchmark::DoNotOptimize(octree.RayCastIntersect(ray.Start, ray.Vector, &point));
    }
    state.SetItemsProcessed(state.iterations());
}

// Every triangle, nearest hit kept, as a mesh without an octree answers.
void BM_PlainBruteForceRayCast(benchmark::State& state)
{
    TScene& scene = Scene();
    const TVector3f* v = scene.Triangles.List();
    const int32_t count = scene.Triangles.Count();
    size_t next = 0;
    for (auto _ : state) {
        const TRay& ray = scene.Rays[next];
        next = next + 1 == kRays ? 0 : next + 1;
        double best = std::numeric_limits<double>::infinity();
        TVector4f point, nearest{};
        for (int32_t i = 0; i < count; i += 3)
            if (RayIntersectTriangle(ray.Start, ray.Vector, v[i], v[i + 1], v[i + 2], &point, nullptr)) {
                const double d = HmgDistanceSquared(ray.Start, point);
                if (d < best) {
                    best = d;
                    nearest = point;
                }
            }
        benchmark::DoNotOptimize(nearest);
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_OctreeBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OctreeRayCast)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainBruteForceRayCast)->Unit(benchmark::kMicrosecond);

BENCHMARK_BASELINE(BM_OctreeRayCast, BM_PlainBruteForceRayCast);
