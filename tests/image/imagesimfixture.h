#pragma once
// ImageSimFixture: a simulator started, with an installation folder seeded
// with the demo's helpers ($TALO7100_HOME, gone at TearDown) and a work
// folder for the image files.

#include <QTemporaryDir>

#include "installation/taloappfolders.h"
#include "tests/support/simfixture.h"

class ImageSimFixture : public SimFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Home.isValid() && Work.isValid());
    qputenv("TALO7100_HOME", Home.path().toLocal8Bit());
    ASSERT_TRUE(TaloAppDir::PrepareInstallationFolder(Home.path(), {QStringLiteral(TALO_DEMO_SEED)}));
    StartSim();
  }
  void TearDown() override {
    SimFixture::TearDown();
    qunsetenv("TALO7100_HOME");
  }

  QTemporaryDir Home;
  QTemporaryDir Work;
};
