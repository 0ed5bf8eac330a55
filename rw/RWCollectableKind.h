// RWCollectableKind: the three class operations that a concrete collectable
// answers the same way: a default object of its own class, a copy of
// itself, and its class id (the class's StaticClassId). RW_COLLECTABLE_KIND
// declares them in the class body (the copies keep their own type, so a
// caller of RWBTree::Clone gets an RWBTree*); RW_COLLECTABLE_KIND_DEFINE
// defines them in the source file. A class whose default object is made
// with arguments names them in RW_COLLECTABLE_KIND_DEFINE_MADE_WITH.
#pragma once

#define RW_COLLECTABLE_KIND(Class)            \
  Class* CreateSameKind() const override;     \
  Class* Clone() const override;              \
  RWClassID ClassId() const override

#define RW_COLLECTABLE_KIND_DEFINE_MADE_WITH(Class, ...)                      \
  Class* Class::CreateSameKind() const { return new Class(__VA_ARGS__); }     \
  Class* Class::Clone() const { return new Class(*this); }                    \
  RWClassID Class::ClassId() const { return StaticClassId(); }

#define RW_COLLECTABLE_KIND_DEFINE(Class) RW_COLLECTABLE_KIND_DEFINE_MADE_WITH(Class)
