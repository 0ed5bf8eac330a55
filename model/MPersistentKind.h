// MPersistentKind: the four class operations every concrete model class
// answers the same way: a default object and a copy of its own class, its
// class id, and whether it is or derives from a class. QV_PERSISTENT_KIND
// declares them in the class body (the copies keep their own type, so a
// caller of GMedia::Clone gets a GMedia*), QV_PERSISTENT_KIND_DEFINE
// defines them in the source file from the class id and the base class.
// An abstract class states only its id and base (QV_PERSISTENT_ID). A class
// whose default object is made with arguments names them in
// QV_PERSISTENT_KIND_DEFINE_MADE_WITH.
#pragma once

#define QV_PERSISTENT_ID()                            \
  RWClassID ClassId() const override;                 \
  int DerivesFrom(RWClassID classId) const override

#define QV_PERSISTENT_KIND(Class)                     \
  Class* CreateSameKind() const override;             \
  Class* Clone() const override;                      \
  QV_PERSISTENT_ID()

#define QV_PERSISTENT_ID_DEFINE(Class, Base, Id)                                                 \
  RWClassID Class::ClassId() const { return Id; }                                                \
  int Class::DerivesFrom(RWClassID classId) const { return classId == Id || Base::DerivesFrom(classId); }

#define QV_PERSISTENT_KIND_DEFINE(Class, Base, Id)                    \
  Class* Class::CreateSameKind() const { return new Class; }          \
  Class* Class::Clone() const { return new Class(*this); }            \
  QV_PERSISTENT_ID_DEFINE(Class, Base, Id)

#define QV_PERSISTENT_KIND_DEFINE_MADE_WITH(Class, Base, Id, ...)      \
  Class* Class::CreateSameKind() const { return new Class(__VA_ARGS__); } \
  Class* Class::Clone() const { return new Class(*this); }          \
  QV_PERSISTENT_ID_DEFINE(Class, Base, Id)
